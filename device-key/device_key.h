// The device key tool: one command word in, one reply line out.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "key_store.h"
#include "reply.h"

namespace ozmi::devicekey {

// Runs the command named by the first of `args` (the arguments after the program name; the
// rest are ignored) and returns the one line to write. `readInput` gives all of standard input,
// or none when it could not be read to its end; it is called once, by "sign" and "public" only,
// after the command has been recognised.
std::string runDeviceKey(std::span<const std::string> args,
                         const std::function<std::optional<std::string>()>& readInput, KeyStore& store);

// The reply of each command, before `emit`.
Reply availableCommand(KeyStore& store);
Reply createCommand(KeyStore& store);
Reply signCommand(const std::string& input, KeyStore& store);
Reply publicCommand(const std::string& input, KeyStore& store);

}  // namespace ozmi::devicekey
