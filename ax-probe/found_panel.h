// The records of a detected panel: built whole by their constructors, never changed after.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ozmi::probe {

// One file shown, selected or named in a panel.
class FoundFile {
 public:
  FoundFile(std::string name, std::optional<std::string> path)
      : name_(std::move(name)), path_(std::move(path)) {}

  const std::string& name() const { return name_; }
  const std::optional<std::string>& path() const { return path_; }

 private:
  std::string name_;
  std::optional<std::string> path_;
};

// One detected panel. `kind` is "open", "save" or "unknown"; the presenting application's name
// and bundle identifier are filled by the entry, never by the inspection.
class FoundPanel {
 public:
  FoundPanel(std::string kind, std::optional<std::string> presentingApp,
             std::optional<std::string> presentingBundleId, std::optional<std::string> title,
             std::optional<std::string> dir, std::vector<FoundFile> files)
      : kind_(std::move(kind)),
        presentingApp_(std::move(presentingApp)),
        presentingBundleId_(std::move(presentingBundleId)),
        title_(std::move(title)),
        dir_(std::move(dir)),
        files_(std::move(files)) {}

  const std::string& kind() const { return kind_; }
  const std::optional<std::string>& presentingApp() const { return presentingApp_; }
  const std::optional<std::string>& presentingBundleId() const { return presentingBundleId_; }
  const std::optional<std::string>& title() const { return title_; }
  const std::optional<std::string>& dir() const { return dir_; }
  const std::vector<FoundFile>& files() const { return files_; }

 private:
  std::string kind_;
  std::optional<std::string> presentingApp_;
  std::optional<std::string> presentingBundleId_;
  std::optional<std::string> title_;
  std::optional<std::string> dir_;
  std::vector<FoundFile> files_;
};

}  // namespace ozmi::probe
