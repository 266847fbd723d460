// Stands for <sys/proc_info.h>, included by <libproc.h>: the largest executable path that
// proc_pidpath writes, 4 * MAXPATHLEN (1024).
#pragma once

#define PROC_PIDPATHINFO_MAXSIZE 4096
