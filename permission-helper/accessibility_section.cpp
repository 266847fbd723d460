#include "accessibility_section.h"

namespace ozmi::permission {
namespace {

const json::Value* member(const json::Value& object, std::string_view key) {
  const auto* members = std::get_if<json::Value::Object>(&object.data);
  if (members == nullptr) return nullptr;
  for (const json::Member& m : *members) {
    if (m.key == key) return &m.value;
  }
  return nullptr;
}

bool isString(const json::Value* value, std::string_view text) {
  if (value == nullptr) return false;
  const auto* s = std::get_if<std::string>(&value->data);
  return s != nullptr && *s == text;
}

}  // namespace

bool verdictReadsRow(const json::Value& row) {
  return isString(member(row, "db"), "system") &&
         isString(member(row, "service"), "kTCCServiceAccessibility");
}

std::string accessibilityVerdict(const json::Value& tcc) {
  if (!isString(member(tcc, "system"), "ok")) return "tcc-unreadable";
  std::string verdict = "no-row";
  const json::Value* rows = member(tcc, "rows");
  const auto* array = rows ? std::get_if<json::Value::Array>(&rows->data) : nullptr;
  if (array == nullptr) return verdict;
  for (const json::Value& row : *array) {
    if (!verdictReadsRow(row)) continue;
    const json::Value* auth = member(row, "authValue");
    const auto* value = auth ? std::get_if<std::int64_t>(&auth->data) : nullptr;
    if (value == nullptr || (*value != 2 && *value != 3)) {
      verdict = "not-allowed";
    } else if (isString(member(row, "csreq"), "mismatch")) {
      verdict = "stale-grant";
    } else {
      return "allowed";
    }
  }
  return verdict;
}

json::Value accessibilitySection(const json::Value& tcc, Platform& platform) {
  std::string verdict = accessibilityVerdict(tcc);
  if (verdict == "allowed") return json::Value::Object{{"trusted", platform.accessibilityTrusted()}};
  return json::Value::Object{{"skipped", std::move(verdict)}};
}

}  // namespace ozmi::permission
