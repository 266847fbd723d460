// The report's "fullDisk" object: whether four locations that full disk access guards can
// really be read.
#pragma once

#include <string>

#include "helper_platform.h"
#include "json_text.h"

namespace ozmi::permission {

// "ok" for 0; "EPERM", "ENOENT", "EACCES", "ENOTDIR" for 1, 2, 13, 20; else "errno-<n>".
std::string errnoName(int error);

// Opens `path` read-only (a directory with O_DIRECTORY), then reads one byte of a file or
// lists a directory. "ok", or errnoName of the first failure; a listing failure without an
// underlying error number is "EPERM".
std::string probeOpen(const std::string& path, bool directory, Platform& platform);

// "userTccDb", "systemTccDb", "safariDir" and "mailDir", probed in that order.
json::Value fullDiskSection(Platform& platform);

}  // namespace ozmi::permission
