// Stands for <Security/Security.h>, the framework's umbrella header.
#pragma once

#include <Security/CSCommon.h>
#include <Security/SecRequirement.h>
#include <Security/SecStaticCode.h>
