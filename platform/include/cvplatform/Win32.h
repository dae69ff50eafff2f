// The whole Win32/COM subset that this layer provides, in one include.
#pragma once

#include "cvplatform/ComBase.h"
#include "cvplatform/Crt.h"
#include "cvplatform/ErrorHandling.h"
#include "cvplatform/FileSystem.h"
#include "cvplatform/KnownFolders.h"
#include "cvplatform/ModuleLoading.h"
#include "cvplatform/OleAutomation.h"
#include "cvplatform/PrintService.h"
#include "cvplatform/ProcessStatus.h"
#include "cvplatform/Security.h"
#include "cvplatform/Spooler.h"
#include "cvplatform/StringConversion.h"
#include "cvplatform/TimeAndLocale.h"
#include "cvplatform/Win32Types.h"
