// The one place where the operating system's headers come in: the real Windows headers on
// Windows, the stand-in layer elsewhere. Everything above this line of the build is the same code.
#pragma once

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
// windows.h first: the other headers build on its types.
#include <windows.h>

#include <bcrypt.h>
#include <fcntl.h>
#include <io.h>
#include <knownfolders.h>
#include <msxml2.h>
#include <objbase.h>
#include <oleauto.h>
#include <psapi.h>
#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif
#include <security.h>
#include <shlobj.h>
#include <stdio.h>
#include <sys/stat.h>
#define WIDE(text) L##text
#else
#include "cvplatform/Win32.h"
#define WIDE(text) u##text
#endif

static_assert(sizeof(WCHAR) == 2, "wide text is UTF-16 on every build");
