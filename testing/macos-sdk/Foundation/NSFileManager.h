// Stands for <Foundation/NSFileManager.h>, with the members the permission helper uses.
#pragma once

#include <Foundation/NSArray.h>
#include <Foundation/NSError.h>
#include <Foundation/NSString.h>

#pragma clang assume_nonnull begin

@interface NSFileManager : NSObject
@property (class, readonly, strong) NSFileManager* defaultManager;
// The entries of the directory at `path` (a shallow listing), or nil with *error set.
- (nullable NSArray<NSString*>*)contentsOfDirectoryAtPath:(NSString*)path
                                                    error:(NSError**)error;
// A string for the file-system representation `str` of `len` bytes.
- (NSString*)stringWithFileSystemRepresentation:(const char*)str length:(NSUInteger)len;
@end

#pragma clang assume_nonnull end
