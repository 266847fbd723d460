#include "process.h"

namespace ozmi::devicekey {

// CryptoKit and Security read no environment variable and no configuration file of their own,
// so there is nothing to quiet beyond what quietProcess already did to the descriptors.
void quietLibraries() {}

}  // namespace ozmi::devicekey
