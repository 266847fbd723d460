// What the program does to its own process: quieting it before any library runs, and its two
// streams.
#pragma once

#include <string>
#include <string_view>

namespace ozmi::devicekey {

// Called first in main. Leaves no environment and no error stream for the libraries to use,
// makes sure descriptors 0 to 2 are open, and ignores SIGPIPE so that a closed standard output
// is a failed write rather than the end of the process.
void quietProcess();

// All of standard input, to its end; what could be read when reading fails.
std::string readStandardInput();

// Writes `text` whole, or as much as the reader takes; a reader that has gone is not an error.
void writeStandardOutput(std::string_view text);

}  // namespace ozmi::devicekey
