// What the probe says: the report value, its null normalisation and the one output line.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "found_panel.h"

namespace ozmi::probe {

struct ReportMember;

// A dynamically typed report value. An optional is absent or wraps one value; a map keeps the
// order its members were given in, which the output format leaves open.
struct ReportValue {
  struct Null {};
  struct Optional {
    std::shared_ptr<const ReportValue> wrapped;  // empty when absent
  };
  using Map = std::vector<ReportMember>;
  using Array = std::vector<ReportValue>;

  std::variant<std::string, std::int64_t, Null, Optional, Map, Array> data;
};

struct ReportMember {
  std::string key;
  ReportValue value;
};

// An optional report value: absent, or wrapping `value`.
ReportValue optionalValue(std::optional<ReportValue> value);
// An optional text as an optional report value.
ReportValue optionalText(const std::optional<std::string>& text);

// Every absent optional, at any depth, becomes the null marker and every present one is
// unwrapped; maps keep all their keys, arrays their length and order.
ReportValue deepDenil(const ReportValue& value);

// The line written when there is no panel or the report cannot be serialised.
inline constexpr char kNullPanelLine[] = "{\"schema\":1,\"panel\":null}\n";

// The probe's one output line, line feed included: {"schema":1,"panel":{...}} or "panel":null.
// The fixed null line when the report cannot be serialised (a text that is not UTF-8).
std::string emit(const std::optional<FoundPanel>& panel);

}  // namespace ozmi::probe
