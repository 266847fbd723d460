#include "home_directory.h"

namespace ozmi::permission {

std::string homeDirectory(Platform& platform) {
  if (std::optional<std::string> home = platform.passwordDatabaseHome(); home && !home->empty()) {
    return *home;
  }
  return platform.platformHome();
}

std::string appendPathComponent(const std::string& base, const std::string& component) {
  if (base.empty()) return component;
  std::string path = base;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path != "/") path += '/';
  return path + component;
}

}  // namespace ozmi::permission
