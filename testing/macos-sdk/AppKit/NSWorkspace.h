// Stands for <AppKit/NSWorkspace.h>. Written from Apple's AppKit documentation; only what our
// macOS files use.
#pragma once

#import <AppKit/NSRunningApplication.h>
#import <Foundation/NSObject.h>
#import <Foundation/NSString.h>
#import <Foundation/NSURL.h>

#pragma clang assume_nonnull begin

@interface NSWorkspace : NSObject
@property(class, readonly, strong) NSWorkspace* sharedWorkspace;
// The application that receives key events; nil when there is none.
@property(readonly, strong, nullable) NSRunningApplication* frontmostApplication;
// The URL of the application with `bundleIdentifier` that the system would launch, or nil.
- (nullable NSURL*)URLForApplicationWithBundleIdentifier:(NSString*)bundleIdentifier;
@end

#pragma clang assume_nonnull end
