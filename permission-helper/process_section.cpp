#include "process_section.h"

namespace ozmi::permission {
namespace {

json::Value pathValue(Platform& platform, std::int32_t pid) {
  std::optional<std::string> path = platform.executablePath(pid);
  if (!path || path->empty() || !json::isValidUtf8(*path)) return json::Null{};
  return std::move(*path);
}

}  // namespace

ProcessSection processSection(Platform& platform) {
  const ResponsibilityFunction responsibleFor = platform.lookUpResponsibility();
  // Taken once: should the parent exit meanwhile, getppid() would name its successor, and the
  // object would mix two parents.
  const std::int32_t pid = platform.pid();
  const std::int32_t ppid = platform.ppid();
  json::Value::Object object{{"pid", pid}, {"ppid", ppid}, {"parentPath", pathValue(platform, ppid)}};
  if (!responsibleFor) {
    object.push_back({"responsiblePid", json::Null{}});
    object.push_back({"responsiblePath", json::Null{}});
    object.push_back({"api", "unavailable"});
    return {std::move(object), -1};
  }
  const std::int32_t responsible = responsibleFor(pid);
  object.push_back({"responsiblePid", responsible});
  object.push_back({"parentResponsiblePid", responsibleFor(ppid)});
  object.push_back(
      {"responsiblePath", responsible >= 1 ? pathValue(platform, responsible) : json::Null{}});
  object.push_back({"responsibleIsParent", responsible == ppid});
  object.push_back({"responsibleIsSelf", responsible == pid});
  object.push_back({"api", "ok"});
  return {std::move(object), responsible};
}

}  // namespace ozmi::permission
