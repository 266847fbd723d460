// Stands for <CoreGraphics/CoreGraphics.h>: the umbrella header of CoreGraphics, here over the
// headers our macOS files need.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CGBase.h>
#include <CoreGraphics/CGDirectDisplay.h>
#include <CoreGraphics/CGGeometry.h>
#include <CoreGraphics/CGImage.h>
#include <CoreGraphics/CGWindow.h>
