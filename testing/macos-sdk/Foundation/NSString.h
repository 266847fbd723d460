// Stands for <Foundation/NSString.h>. NSString is toll-free bridged with CFString, so our files
// read its text through CoreFoundation and need the class alone.
#pragma once

#import <Foundation/NSObject.h>

@interface NSString : NSObject
@end
