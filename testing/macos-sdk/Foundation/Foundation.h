// Stands for <Foundation/Foundation.h>, the framework's umbrella header.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <Foundation/NSArray.h>
#include <Foundation/NSDictionary.h>
#include <Foundation/NSError.h>
#include <Foundation/NSFileManager.h>
#include <Foundation/NSObjCRuntime.h>
#include <Foundation/NSObject.h>
#include <Foundation/NSPathUtilities.h>
#include <Foundation/NSProcessInfo.h>
#include <Foundation/NSString.h>
#include <Foundation/NSURL-permission.h>
#include <Foundation/NSURL.h>
