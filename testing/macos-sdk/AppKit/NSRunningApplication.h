// Stands for <AppKit/NSRunningApplication.h>: the class of running applications.
#pragma once

#include <Foundation/Foundation.h>

@interface NSRunningApplication : NSObject
@end
