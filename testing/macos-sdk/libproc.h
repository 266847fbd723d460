// Stands for <libproc.h>: process information from the kernel.
#pragma once

#include <stdint.h>
#include <sys/proc_info.h>

#ifdef __cplusplus
extern "C" {
#endif

// Writes the executable path of process `pid` into `buffer` as a zero-terminated text; the
// path's length when greater than 0, 0 or less on failure.
int proc_pidpath(int pid, void* buffer, uint32_t buffersize);

#ifdef __cplusplus
}
#endif
