#include "full_disk_section.h"

#include "home_directory.h"
#include "tcc_section.h"

namespace ozmi::permission {

std::string errnoName(int error) {
  // The numbers are those of Darwin and Linux alike.
  switch (error) {
    case 0: return "ok";
    case 1: return "EPERM";
    case 2: return "ENOENT";
    case 13: return "EACCES";
    case 20: return "ENOTDIR";
    default: return "errno-" + std::to_string(error);
  }
}

std::string probeOpen(const std::string& path, bool directory, Platform& platform) {
  const OpenResult opened = platform.openReadOnly(path, directory);
  if (opened.fd < 0) return errnoName(opened.error);
  if (!directory) {
    const ReadResult read = platform.readOneByte(opened.fd);
    platform.closeDescriptor(opened.fd);
    return read.count < 0 ? errnoName(read.error) : "ok";
  }
  const ListingResult listing = platform.listDirectory(path);
  platform.closeDescriptor(opened.fd);
  if (listing.ok) return "ok";
  return listing.posixError ? errnoName(*listing.posixError) : "EPERM";
}

json::Value fullDiskSection(Platform& platform) {
  const std::string home = homeDirectory(platform);
  std::string userTcc = probeOpen(appendPathComponent(home, kTccRelativePath), false, platform);
  std::string systemTcc = probeOpen(kSystemTccPath, false, platform);
  std::string safari = probeOpen(appendPathComponent(home, "Library/Safari"), true, platform);
  std::string mail = probeOpen(appendPathComponent(home, "Library/Mail"), true, platform);
  return json::Value::Object{{"userTccDb", std::move(userTcc)},
                             {"systemTccDb", std::move(systemTcc)},
                             {"safariDir", std::move(safari)},
                             {"mailDir", std::move(mail)}};
}

}  // namespace ozmi::permission
