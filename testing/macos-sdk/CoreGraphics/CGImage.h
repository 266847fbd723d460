// Stands for <CoreGraphics/CGImage.h>: the image type and its release.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGImage* CGImageRef;

// Decrements the retain count of `image`; NULL is allowed and does nothing.
void CGImageRelease(CGImageRef _Nullable image);

#ifdef __cplusplus
}
#endif
