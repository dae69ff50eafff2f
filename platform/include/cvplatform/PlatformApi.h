// Visibility of the stand-in library's functions: it is a shared library, like the system DLLs it
// stands in for, so the filter module and the host share one copy of its per-process state.
#pragma once

#define CVPLATFORM_API extern "C" __attribute__((visibility("default")))
