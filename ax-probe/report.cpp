#include "report.h"

#include <type_traits>

#include "json_text.h"

namespace ozmi::probe {
namespace {

ReportValue text(std::string s) { return ReportValue{std::move(s)}; }

ReportValue panelObject(const FoundPanel& panel) {
  ReportValue::Array files;
  files.reserve(panel.files().size());
  for (const FoundFile& file : panel.files()) {
    files.push_back(ReportValue{ReportValue::Map{
        {"name", text(file.name())},
        {"path", optionalText(file.path())},
    }});
  }
  return ReportValue{ReportValue::Map{
      {"kind", text(panel.kind())},
      {"presentingApp", optionalText(panel.presentingApp())},
      {"presentingBundleId", optionalText(panel.presentingBundleId())},
      {"title", optionalText(panel.title())},
      {"dir", optionalText(panel.dir())},
      {"files", ReportValue{std::move(files)}},
  }};
}

// After deepDenil no optional is left; one that is still there is written as deepDenil would.
json::Value toJson(const ReportValue& value) {
  return std::visit(
      [](const auto& v) -> json::Value {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, std::int64_t>) {
          return json::Value(v);
        } else if constexpr (std::is_same_v<T, ReportValue::Null>) {
          return json::Value(json::Null{});
        } else if constexpr (std::is_same_v<T, ReportValue::Optional>) {
          return v.wrapped ? toJson(*v.wrapped) : json::Value(json::Null{});
        } else if constexpr (std::is_same_v<T, ReportValue::Map>) {
          json::Value::Object object;
          object.reserve(v.size());
          for (const ReportMember& m : v) object.push_back({m.key, toJson(m.value)});
          return json::Value(std::move(object));
        } else {
          json::Value::Array array;
          array.reserve(v.size());
          for (const ReportValue& e : v) array.push_back(toJson(e));
          return json::Value(std::move(array));
        }
      },
      value.data);
}

}  // namespace

ReportValue optionalValue(std::optional<ReportValue> value) {
  if (!value) return ReportValue{ReportValue::Optional{}};
  return ReportValue{ReportValue::Optional{std::make_shared<const ReportValue>(std::move(*value))}};
}

ReportValue optionalText(const std::optional<std::string>& text) {
  return text ? optionalValue(ReportValue{*text}) : optionalValue(std::nullopt);
}

ReportValue deepDenil(const ReportValue& value) {
  return std::visit(
      [&value](const auto& v) -> ReportValue {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, ReportValue::Optional>) {
          return v.wrapped ? deepDenil(*v.wrapped) : ReportValue{ReportValue::Null{}};
        } else if constexpr (std::is_same_v<T, ReportValue::Map>) {
          ReportValue::Map out;
          out.reserve(v.size());
          for (const ReportMember& m : v) out.push_back({m.key, deepDenil(m.value)});
          return ReportValue{std::move(out)};
        } else if constexpr (std::is_same_v<T, ReportValue::Array>) {
          ReportValue::Array out;
          out.reserve(v.size());
          for (const ReportValue& e : v) out.push_back(deepDenil(e));
          return ReportValue{std::move(out)};
        } else {
          return value;
        }
      },
      value.data);
}

std::string emit(const std::optional<FoundPanel>& panel) {
  ReportValue report{ReportValue::Map{
      {"schema", ReportValue{std::int64_t{1}}},
      {"panel", panel ? panelObject(*panel) : ReportValue{ReportValue::Null{}}},
  }};
  std::optional<std::string> line = json::write(toJson(deepDenil(report)));
  if (!line) return kNullPanelLine;
  line->push_back('\n');
  return std::move(*line);
}

}  // namespace ozmi::probe
