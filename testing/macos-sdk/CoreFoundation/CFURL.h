// Stands for <CoreFoundation/CFURL.h>: the URL type, toll-free bridged with NSURL.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef const struct __CFURL* CFURLRef;
