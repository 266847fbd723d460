// Stands for <AppKit/AppKit.h>, the framework's umbrella header.
#pragma once

#include <ApplicationServices/ApplicationServices.h>
#include <Foundation/Foundation.h>

#include <AppKit/NSRunningApplication-permission.h>
#include <AppKit/NSRunningApplication.h>
#include <AppKit/NSWorkspace-permission.h>
#include <AppKit/NSWorkspace.h>
