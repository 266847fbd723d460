// What the probe takes from AT-SPI2 method replies. Pure functions over decoded replies: a
// reply of another shape than the method's signature (a peer that is not a conforming
// accessibility bridge, or an error) gives the neutral answer, never a guess.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "atspi_bus_linux.h"

namespace ozmi::probe::atspi {

// An accessible object: the bus name of its application and its object path.
struct ObjectRef {
  std::string bus;
  std::string path;
};

// "u" (GetRole).
std::optional<std::uint32_t> replyUint(const Reply& reply);
// "s", or "v" holding "s" (Properties.Get of "Name", Text.GetText).
std::optional<std::string> replyText(const Reply& reply);
// An integer, or "v" holding one (Properties.Get of "NRows", "ChildCount";
// GetConnectionUnixProcessID).
std::optional<std::int64_t> replyInteger(const Reply& reply);
// "a(so)" (GetChildren). Members of another shape, and the null object
// ("/org/a11y/atspi/null"), are left out.
std::vector<ObjectRef> replyReferences(const Reply& reply);
// "(so)" (Table.GetAccessibleAt); none for the null object.
std::optional<ObjectRef> replyReference(const Reply& reply);
// "ai" (Table.GetSelectedRows). Members of another type are left out.
std::vector<std::int32_t> replyInts(const Reply& reply);
// "au" (GetState): whether state number `state` is set; false when the reply has no such word.
bool replyHasState(const Reply& reply, std::uint32_t state);
// "au" (GetState) as one 64-bit set, state n at bit n (the first two words; AT-SPI 2.46 has 44
// states). None when the reply is not an array; members of another type count as no states.
std::optional<std::uint64_t> replyStates(const Reply& reply);

// One object of an application's bulk description (org.a11y.atspi.Cache.GetItems, signature
// "a((so)(so)(so)iiassusau)": object, application, parent, index in parent, child count,
// interfaces, name, role, description, states).
struct CacheItem {
  ObjectRef object;
  std::string parentPath;  // "" when the parent is the null object or on another connection
  std::int32_t indexInParent = 0;
  std::int32_t childCount = 0;
  std::uint32_t role = 0;
  std::string name;
  std::uint64_t states = 0;  // as replyStates() gives them
};

// The items of a GetItems reply; members of another shape are left out, and so is a reply
// whose first argument is not an array. None when the call failed (a toolkit without the
// interface answers with an error).
std::optional<std::vector<CacheItem>> replyCacheItems(const Reply& reply);

// The children of each cached object, as indexes into `items` in index-in-parent order (ties
// in reply order). Only objects whose cached children number exactly their child count are
// listed: the children of the others (a table's cells, which toolkits leave out of the cache)
// have to be asked for.
std::vector<std::pair<std::string, std::vector<std::size_t>>> completeChildren(
    const std::vector<CacheItem>& items);

}  // namespace ozmi::probe::atspi
