// Stands for the part of <AppKit/NSRunningApplication.h> that the permission helper calls,
// declared as a category so that it adds to the class wherever the class is declared.
#pragma once

#include <AppKit/NSRunningApplication.h>

#pragma clang assume_nonnull begin

@interface NSRunningApplication (OzmiPermissionHelper)
// The running applications with `bundleIdentifier`; empty when there are none.
+ (NSArray<NSRunningApplication*>*)runningApplicationsWithBundleIdentifier:
    (NSString*)bundleIdentifier;
@end

#pragma clang assume_nonnull end
