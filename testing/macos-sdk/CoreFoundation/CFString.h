// Stands for <CoreFoundation/CFString.h>. Written from Apple's documentation of CFString; only
// what our macOS files call. CFStringRef itself is declared in CFBase.h, as in the SDK.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFLocale.h>

// --- Encodings -----------------------------------------------------------------------------
typedef UInt32 CFStringEncoding;
enum : CFStringEncoding {
  kCFStringEncodingUTF8 = 0x08000100,
};

// --- Creating and reading strings ----------------------------------------------------------
CF_EXPORT CFTypeID CFStringGetTypeID(void);
// Create rule; NULL when `bytes` are not valid in `encoding`.
CF_EXPORT CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                              CFStringEncoding encoding, Boolean isExternalRepresentation);
// The length in UTF-16 code units.
CF_EXPORT CFIndex CFStringGetLength(CFStringRef theString);
// Converts the characters of `range` into `buffer` (or only measures, when `buffer` is NULL) and
// returns how many characters were converted; with `lossByte` 0 it stops at the first character
// that the encoding cannot represent.
CF_EXPORT CFIndex CFStringGetBytes(CFStringRef theString, CFRange range, CFStringEncoding encoding, UInt8 lossByte,
                                   Boolean isExternalRepresentation, UInt8* buffer, CFIndex maxBufLen,
                                   CFIndex* usedBufLen);

// The range, in UTF-16 code units, of the composed character sequence that holds the unit at
// `theIndex` (which must lie inside the string): a base character with the combining marks,
// joiners and enclosing marks that follow it.
CF_EXPORT CFRange CFStringGetRangeOfComposedCharactersAtIndex(CFStringRef theString, CFIndex theIndex);

// --- Mutable strings -----------------------------------------------------------------------
// Create rule; `maxLength` 0 for no limit. NULL when the copy cannot be made.
CF_EXPORT CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef alloc, CFIndex maxLength,
                                                       CFStringRef theString);
// Lower-cases in place. `locale` chooses language-specific mappings (a Turkish locale takes "I" to
// U+0131); NULL applies those of no particular language.
CF_EXPORT void CFStringLowercase(CFMutableStringRef theString, CFLocaleRef locale);
