// What a program does to its own process before anything else runs.
#pragma once

namespace ozmi::process {

// Points descriptor 2 at /dev/null. Libraries and frameworks may log to standard error on their
// own (macOS frameworks do), and the host expects nothing there; called first in main, this
// settles it for every library at once. When /dev/null cannot be opened the descriptor is left
// as it is: closing it would let the next file opened take its place.
void pointStandardErrorAtDevNull();

}  // namespace ozmi::process
