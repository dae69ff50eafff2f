// The class identifier under which the driver's filter pipeline configuration names this filter:
// {5AE4ED1C-44D9-4D64-98DB-059B7CAD622F}. It never changes; configurations in the field carry it.
#pragma once

#include "seam/Win32Seam.h"

inline constexpr CLSID CLSID_PDLStreamFilter = {
    0x5ae4ed1c, 0x44d9, 0x4d64, {0x98, 0xdb, 0x05, 0x9b, 0x7c, 0xad, 0x62, 0x2f}};
