// The plain POSIX calls of the permission helper, the same on Linux and macOS. Each answers in
// the records of helper_platform.h and never throws; a failing call answers with its errno.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "helper_platform.h"

namespace ozmi::permission::posix {

// getpid() and getppid(), asked afresh at every call.
std::int32_t processId();
std::int32_t parentProcessId();

// The home-directory field of getpwuid(getuid()); none when there is no entry or no field.
std::optional<std::string> passwordDatabaseHome();

// open(2) of `path` read-only, with O_DIRECTORY when `directory` is set. O_NONBLOCK is added so
// that a FIFO placed at a probed path cannot stall the run (it changes nothing for files and
// directories), and O_CLOEXEC so that no process the frameworks may start inherits it.
OpenResult openReadOnly(const std::string& path, bool directory);

// read(2) of one byte into a one-byte buffer; errno is taken at once.
ReadResult readOneByte(int fd);

// close(2).
void closeDescriptor(int fd);

}  // namespace ozmi::permission::posix
