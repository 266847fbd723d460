// Stands for the part of <AppKit/NSWorkspace.h> that the permission helper calls, declared as a
// category so that it adds to the class wherever the class is declared.
#pragma once

#include <AppKit/NSWorkspace.h>

#pragma clang assume_nonnull begin

@interface NSWorkspace (OzmiPermissionHelper)
// The URL of the application with `bundleIdentifier` that the system would launch, or nil.
- (nullable NSURL*)URLForApplicationWithBundleIdentifier:(NSString*)bundleIdentifier;
@end

#pragma clang assume_nonnull end
