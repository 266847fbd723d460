// Stands for <Foundation/NSProcessInfo.h>, with the members the permission helper uses.
#pragma once

#include <Foundation/NSObject.h>

#pragma clang assume_nonnull begin

typedef struct {
  NSInteger majorVersion;
  NSInteger minorVersion;
  NSInteger patchVersion;
} NSOperatingSystemVersion;

@interface NSProcessInfo : NSObject
@property (class, readonly, strong) NSProcessInfo* processInfo;
// The version of the running operating system (macOS 10.10 and later).
@property (readonly) NSOperatingSystemVersion operatingSystemVersion;
@end

#pragma clang assume_nonnull end
