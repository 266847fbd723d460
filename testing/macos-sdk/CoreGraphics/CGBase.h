// Stands for <CoreGraphics/CGBase.h>: CGFloat, a double on 64-bit systems.
#pragma once

typedef double CGFloat;
