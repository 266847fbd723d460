// Stands for <HIServices/AXUIElement.h>: accessibility elements of other processes. Written from
// Apple's ApplicationServices documentation; only what our macOS files call.
#pragma once

#include <sys/types.h>

#include <CoreFoundation/CFBase.h>
#include <HIServices/AXError.h>

CF_ASSUME_NONNULL_BEGIN

typedef const struct __AXUIElement* AXUIElementRef;

CF_EXPORT CFTypeID AXUIElementGetTypeID(void);
// Create rule. Never fails: whether the process answers shows only when it is asked.
CF_EXPORT AXUIElementRef AXUIElementCreateApplication(pid_t pid);
// On success `*value` follows the copy rule (and may be NULL).
CF_EXPORT AXError AXUIElementCopyAttributeValue(AXUIElementRef element, CFStringRef attribute,
                                                CFTypeRef _Nullable* _Nonnull value);

// True when this process is a trusted accessibility client.
CF_EXPORT Boolean AXIsProcessTrusted(void);

CF_ASSUME_NONNULL_END
