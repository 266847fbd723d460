// Stands for <HIServices/HIServices.h> (ApplicationServices' HIServices subframework), here over
// the accessibility headers our macOS files need.
#pragma once

#include <HIServices/AXError.h>
#include <HIServices/AXUIElement.h>
