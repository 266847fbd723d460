#include "reply.h"

#include "json_text.h"

namespace ozmi::devicekey {

std::string emit(Reply reply) {
  reply["schema"] = std::int64_t{1};
  reply.try_emplace("ok", true);

  json::Value::Object members;
  for (const auto& [key, value] : reply) {
    members.push_back({key, std::visit([](const auto& v) { return json::Value(v); }, value)});
  }
  const auto text = json::write(json::Value(std::move(members)));
  return std::string(text ? std::string_view(*text) : kFallbackLine) + "\n";
}

Reply fail(std::string message) {
  return {{"ok", false}, {"error", std::move(message)}};
}

}  // namespace ozmi::devicekey
