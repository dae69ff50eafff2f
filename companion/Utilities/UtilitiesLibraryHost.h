// Factory of the utility library's services.
#pragma once

#include <memory>

#include "CorvoXmlParser.h"

class UtilitiesLibraryHost {
  public:
    // The platform's XML parser: MSXML6 (DOMDocument60) on Windows, pugixml elsewhere. `name`
    // labels the parser in diagnostics; `preserveWhiteSpace` keeps white-space-only text.
    static std::unique_ptr<CorvoXmlParser> CreateMicrosoftXmlParser(const char* name,
                                                                    bool preserveWhiteSpace);
};
