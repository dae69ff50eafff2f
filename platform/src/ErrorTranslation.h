// The translation of OS errors at the stand-in's edge, shared by its files.
#pragma once

#include "cvplatform/Win32Types.h"

// The Win32 error code for an errno value; ERROR_GEN_FAILURE for one without a counterpart.
DWORD Win32ErrorOfErrno(int error);
