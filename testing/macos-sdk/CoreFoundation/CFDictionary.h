// Stands for <CoreFoundation/CFDictionary.h>. Written from Apple's documentation of
// CFDictionary; only what our macOS files call.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef const struct __CFDictionary* CFDictionaryRef;

CF_EXPORT CFTypeID CFDictionaryGetTypeID(void);
// Get rule; NULL when the key is absent.
CF_EXPORT const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key);
