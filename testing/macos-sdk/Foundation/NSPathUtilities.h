// Stands for <Foundation/NSPathUtilities.h>, with the function the permission helper uses.
#pragma once

#include <Foundation/NSString.h>

#pragma clang assume_nonnull begin
#ifdef __cplusplus
extern "C" {
#endif

// The current user's home directory (inside a sandbox, the application's container).
NSString* NSHomeDirectory(void);

#ifdef __cplusplus
}
#endif
#pragma clang assume_nonnull end
