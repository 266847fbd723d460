// Accessibility elements on macOS: an ElementNode over an AXUIElementRef of the Accessibility
// API (ApplicationServices).
#pragma once

#include <ApplicationServices/ApplicationServices.h>

#include "ax_element.h"

namespace ozmi::probe {

// A handle that takes over `element`, a reference obtained under the create or copy rule. The
// reference is released when the last copy of the handle goes away.
Element adoptElement(AXUIElementRef element);

}  // namespace ozmi::probe
