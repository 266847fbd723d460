// Stands for <AppKit/NSWorkspace.h>. Written from Apple's AppKit documentation; only what our
// macOS files use.
#pragma once

#import <AppKit/NSRunningApplication.h>
#import <Foundation/NSObject.h>

#pragma clang assume_nonnull begin

@interface NSWorkspace : NSObject
@property(class, readonly, strong) NSWorkspace* sharedWorkspace;
// The application that receives key events; nil when there is none.
@property(readonly, strong, nullable) NSRunningApplication* frontmostApplication;
@end

#pragma clang assume_nonnull end
