// What the program does to its own process before any library runs.
#pragma once

namespace ozmi::devicekey {

// Called first in main. Makes sure descriptors 0 to 2 are open, leaves no error stream for the
// libraries to use, ignores SIGPIPE so that a closed standard output is a failed write rather
// than the end of the process, then quiets this platform's libraries (`quietLibraries`).
void quietProcess();

// This platform's part of `quietProcess`: leaves the key store's libraries nothing to read
// from the environment or from their configuration files.
void quietLibraries();

}  // namespace ozmi::devicekey
