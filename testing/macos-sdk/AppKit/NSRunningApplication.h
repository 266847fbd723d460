// Stands for <AppKit/NSRunningApplication.h>. Written from Apple's AppKit documentation; only
// what our macOS files use.
#pragma once

#include <sys/types.h>

#import <Foundation/NSArray.h>
#import <Foundation/NSObject.h>
#import <Foundation/NSString.h>
#import <Foundation/NSURL.h>

#pragma clang assume_nonnull begin

@interface NSRunningApplication : NSObject
// -1 for an application without a process.
@property(readonly) pid_t processIdentifier;
@property(nullable, readonly, copy) NSString* localizedName;
@property(nullable, readonly, copy) NSString* bundleIdentifier;
@property(nullable, readonly, copy) NSURL* bundleURL;

// nil when no application has that process identifier.
+ (nullable instancetype)runningApplicationWithProcessIdentifier:(pid_t)pid;
// The running applications with `bundleIdentifier`; empty when there are none.
+ (NSArray<NSRunningApplication*>*)runningApplicationsWithBundleIdentifier:(NSString*)bundleIdentifier;
@end

#pragma clang assume_nonnull end
