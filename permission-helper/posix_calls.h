// The plain POSIX calls behind the permission helper's platform answers, the same on every
// system it is built for. Each reports its failure as a value, with the error number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "helper_platform.h"

namespace ozmi::permission::posix {

// getpid() and getppid(), asked afresh at every call.
std::int32_t processId();
std::int32_t parentProcessId();

// The pw_dir field of the password-database entry of the real user id; none without an entry
// or with the field unset.
std::optional<std::string> passwordDatabaseHome();

// True when `path` names a regular file, following symbolic links.
bool isRegularFile(const std::string& path);

// open(2) read-only and close-on-exec, never blocking on a FIFO; `directory` adds O_DIRECTORY.
OpenResult openReadOnly(const std::string& path, bool directory);
// read(2) of one byte.
ReadResult readOneByte(int fd);
void closeDescriptor(int fd);
// opendir(3) and readdir(3) to the end.
ListingResult listDirectory(const std::string& path);

}  // namespace ozmi::permission::posix
