// The reply of one run: members sorted by key, "schema" 1 always, "ok" always, and members that
// do not apply left out rather than written as null.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace ozmi::devicekey {

using ReplyValue = std::variant<bool, std::int64_t, std::string>;
// Keys are lower-case ASCII, so the map's byte order is the reply's key order.
using Reply = std::map<std::string, ReplyValue>;

// Written when the reply has no JSON form (a string that is not UTF-8). Deliberately not in key
// order and without "error": it is a fixed text the host can match.
inline constexpr std::string_view kFallbackLine = "{\"schema\":1,\"ok\":false}";

// The line to write for `reply`, line feed included: "schema" set to 1, "ok" true unless the
// reply already says, compact JSON in ascending key order with "/" escaped.
std::string emit(Reply reply);

// The failure reply: "ok" false and "error" `message`, nothing else.
Reply fail(std::string message);

}  // namespace ozmi::devicekey
