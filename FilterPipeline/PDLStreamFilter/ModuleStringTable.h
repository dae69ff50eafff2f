/* Identifiers of the module's string table: the libraries the module was built against, in
   order, from identifier 0; read by the driver's installation tools and the tests alike. */
#pragma once

#define IDS_STRING_TABLE_VERSION 0
#define IDS_DEPENDENT_UTILITIES_DLL 1
#define IDS_DEPENDENT_FILTER_UTILITIES_DLL 2
#define IDS_END_OF_DEPENDENT_DLLS 3
