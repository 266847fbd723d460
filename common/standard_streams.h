// The two standard streams as every program uses them: its input read to the end, its one
// reply written whole. Both work on blocking and non-blocking descriptors alike: O_NONBLOCK
// belongs to the open file description, so a host that set it on its end of a pipe passes it
// on to us, and a read or write that would block is then an EAGAIN to wait out, not an end.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ozmi::streams {

// All of standard input up to its end of file; none when reading fails with anything but an
// interruption or a wait, so that a caller never takes a part for the whole.
std::optional<std::string> readStandardInput();

// Writes `text` to standard output to its end, waiting while the reader is slow. A reader that
// has gone (EPIPE; SIGPIPE is ignored by the caller) or another write error ends the write.
void writeStandardOutput(std::string_view text);

}  // namespace ozmi::streams
