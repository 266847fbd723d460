// Stands for <Foundation/Foundation.h>: the umbrella header of Foundation, here over the headers
// our macOS files need.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#import <Foundation/NSObject.h>
#import <Foundation/NSString.h>
#import <Foundation/NSURL.h>
