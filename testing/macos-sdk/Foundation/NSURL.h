// Stands for <Foundation/NSURL.h>. Written from Apple's Foundation documentation; only what our
// macOS files use.
#pragma once

#import <Foundation/NSObject.h>
#import <Foundation/NSString.h>

#pragma clang assume_nonnull begin

@interface NSURL : NSObject
// The percent-decoded path of a file URL; nil when the URL has no path.
@property(nullable, readonly, copy) NSString* path;
// A file URL for `path`; a directory URL when `path` names an existing directory.
+ (NSURL*)fileURLWithPath:(NSString*)path;
@end

#pragma clang assume_nonnull end
