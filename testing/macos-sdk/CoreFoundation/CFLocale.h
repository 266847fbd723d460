// Stands for <CoreFoundation/CFLocale.h>. Written from Apple's documentation of CFLocale; only
// the type, which CFString's locale-aware functions take.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef const struct __CFLocale* CFLocaleRef;
