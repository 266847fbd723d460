// Stands for <ApplicationServices/ApplicationServices.h>: the umbrella header over CoreFoundation,
// CoreGraphics, CoreServices (the Apple Event Manager) and HIServices (accessibility), as far as
// our macOS files use them.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>
#include <CoreServices/CoreServices.h>
#include <HIServices/HIServices.h>
