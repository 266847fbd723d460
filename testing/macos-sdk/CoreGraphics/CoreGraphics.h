// Stands for <CoreGraphics/CoreGraphics.h>: the umbrella header of CoreGraphics, here over the
// headers our macOS files need.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CGWindow.h>
