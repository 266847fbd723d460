// Stands for <AE/AppleEvents.h> of the Apple Event Manager: the automation permission check
// (macOS 10.14 and later).
#pragma once

#include "AEDataModel.h"

#ifdef __cplusplus
extern "C" {
#endif

// noErr when this process may send the events of `theAEEventClass`/`theAEEventID` (typeWildCard
// for all) to `target`; errAEEventNotPermitted (-1743), errAEEventWouldRequireUserConsent
// (-1744), procNotFound (-600) or another error otherwise. With `askUserIfNeeded` the system may
// prompt the user and this call waits for the answer.
OSStatus AEDeterminePermissionToAutomateTarget(const AEAddressDesc* target,
                                               AEEventClass theAEEventClass,
                                               AEEventID theAEEventID, Boolean askUserIfNeeded);

#ifdef __cplusplus
}
#endif
