// Stands for <Foundation/NSURL.h>: the URL class (toll-free bridged with CFURLRef).
#pragma once

#include <Foundation/NSObject.h>

@interface NSURL : NSObject
@end
