// Stands for the part of <Foundation/NSURL.h> that the permission helper calls, declared as a
// category so that it adds to the class wherever the class is declared.
#pragma once

#include <Foundation/NSString.h>
#include <Foundation/NSURL.h>

#pragma clang assume_nonnull begin

@interface NSURL (OzmiPermissionHelper)
// A file URL for `path`; a directory URL when `path` names an existing directory.
+ (NSURL*)fileURLWithPath:(NSString*)path;
@end

#pragma clang assume_nonnull end
