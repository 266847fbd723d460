// Stands for <ApplicationServices/ApplicationServices.h>, the umbrella header that brings in
// Core Foundation, Core Graphics, Core Services and HIServices (accessibility).
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>
#include <CoreServices/CoreServices.h>

#include "AXUIElement-permission.h"
