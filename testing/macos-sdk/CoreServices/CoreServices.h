// Stands for <CoreServices/CoreServices.h>, the umbrella header of Core Services and its
// subframeworks (here the Apple Event Manager, AE).
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include "AE/AEDataModel.h"
#include "AE/AppleEvents.h"
