// Stands for <CoreFoundation/CoreFoundation.h>, the framework's umbrella header.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFData.h>
#include <CoreFoundation/CFURL.h>
