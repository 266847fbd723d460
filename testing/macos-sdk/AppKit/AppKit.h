// Stands for <AppKit/AppKit.h>: the umbrella header of AppKit, here over the headers our macOS
// files need.
#pragma once

#import <Foundation/Foundation.h>
#import <AppKit/NSRunningApplication.h>
#import <AppKit/NSWorkspace.h>
