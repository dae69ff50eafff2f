// What a filter program of a Linux print service needs of the system: the spooler's termination
// request, a secret file only the service may read, and a local socket only its administrators
// may use. For the Linux build's programs.
#pragma once

#include "cvplatform/PlatformApi.h"
#include "cvplatform/Win32Types.h"

// Calls `callback(context)` on a thread of its own each time the process receives SIGTERM (the
// print service's request to stop) or SIGINT (Ctrl-C at a terminal), which then no longer end the
// process. Call it before the program starts any other thread, so that every thread inherits the
// blocked signals. FALSE when the thread cannot be started.
CVPLATFORM_API BOOL CvCallOnTerminationRequest(void (*callback)(void*), void* context);

// Whether the process was asked to stop: a SIGTERM or SIGINT that the thread took, or one that
// still waits for it. A reader that goes away because the job was cancelled can make a write fail
// before that thread ran; this tells such a failure from a reader that went away on its own.
CVPLATFORM_API BOOL CvTerminationRequested();

// Reads a file that holds a secret of the print service, refusing one that others may read: a
// regular file (a link is not followed) that grants nothing to others and grants its group
// access only when that group is root's or `group`. At most `room` bytes go into `buffer`, the
// count into `*read`. ERROR_SUCCESS; ERROR_ACCESS_DENIED with `reason` saying why the file is not
// private; ERROR_BAD_FILE_TYPE; ERROR_FILE_TOO_LARGE with the file's size in `*read` (more than
// `room`, also where the file grew as it was read; `buffer` may be null with a `room` of 0, to ask
// for the size); or the OS error of opening or reading.
CVPLATFORM_API DWORD CvReadPrivateFile(const char* path, const char* group, char* buffer,
                                       DWORD room, DWORD* read, char* reason, DWORD reasonRoom);

// Makes the local socket at `path` usable by its owner alone or, with `group`, by that group's
// members too (mode 0700 or 0770, the group changed to `group`): a socket another program made
// for anyone. ERROR_SUCCESS; ERROR_BAD_FILE_TYPE when `path` is no socket; ERROR_NOT_FOUND when
// `group` names no group; or the OS error.
CVPLATFORM_API DWORD CvRestrictSocket(const char* path, const char* group);
