// A byte string as the device key tool passes it around: key blobs, messages, points, signatures.
#pragma once

#include <cstdint>
#include <vector>

namespace ozmi::devicekey {

using Bytes = std::vector<std::uint8_t>;

}  // namespace ozmi::devicekey
