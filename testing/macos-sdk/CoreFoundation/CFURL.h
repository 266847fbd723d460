// Stands for <CoreFoundation/CFURL.h>. Written from Apple's documentation of CFURL; only what our
// macOS files call.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFError.h>
#include <CoreFoundation/CFString.h>

typedef const struct __CFURL* CFURLRef;

// --- Creating URLs -------------------------------------------------------------------------
CF_EXPORT CFTypeID CFURLGetTypeID(void);
// Create rule; NULL when the bytes are not a URL the parser accepts.
CF_EXPORT CFURLRef CFURLCreateWithBytes(CFAllocatorRef allocator, const UInt8* URLBytes, CFIndex length,
                                        CFStringEncoding encoding, CFURLRef baseURL);
CF_EXPORT CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer,
                                                           CFIndex bufLen, Boolean isDirectory);

// --- Reading URLs --------------------------------------------------------------------------
// Copy rule.
CF_EXPORT CFURLRef CFURLCopyAbsoluteURL(CFURLRef relativeURL);
// Get rule.
CF_EXPORT CFStringRef CFURLGetString(CFURLRef anURL);

// --- Resource properties -------------------------------------------------------------------
// On success the value written to `propertyValueTypeRefPtr` (a CFTypeRef, possibly NULL) follows
// the copy rule.
CF_EXPORT Boolean CFURLCopyResourcePropertyForKey(CFURLRef url, CFStringRef key, void* propertyValueTypeRefPtr,
                                                  CFErrorRef* error);
CF_EXPORT const CFStringRef kCFURLIsDirectoryKey;
