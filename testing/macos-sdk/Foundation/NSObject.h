// Stands for <Foundation/NSObject.h>, which brings in the runtime's root class.
#pragma once

#import <Foundation/NSObjCRuntime.h>
#import <objc/NSObject.h>
