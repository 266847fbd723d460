// Stands for <AppKit/NSWorkspace.h>: the shared workspace.
#pragma once

#include <Foundation/Foundation.h>

#pragma clang assume_nonnull begin

@interface NSWorkspace : NSObject
@property (class, readonly, strong) NSWorkspace* sharedWorkspace;
@end

#pragma clang assume_nonnull end
