// The activation probe: class object, filter instance, unload check.
#include "ActivationProbe.h"

#include <cstdio>
#include <string>

#include "FilterPipeline/PDLStreamFilter/FilterClassId.h"
#include "seam/FilterPipelineInterfaces.h"

namespace {
std::string Hex(HRESULT value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::string GuidText(const GUID& g) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

bool Report(std::ostream& out, const char* step, HRESULT actual, HRESULT expected) {
    out << "  " << step << ": " << Hex(actual) << (actual == expected ? "" : "  (unexpected)")
        << "\n";
    return actual == expected;
}
}  // namespace

bool ActivationProbe::Run(std::ostream& out) const {
    out << "filter class " << GuidText(CLSID_PDLStreamFilter) << "\n";
    bool ok = Report(out, "DllCanUnloadNow after load", module.CanUnloadNow(), S_OK);

    IClassFactory* factory = nullptr;
    const HRESULT got = module.GetClassObject(CLSID_PDLStreamFilter, IID_IClassFactory,
                                              reinterpret_cast<void**>(&factory));
    ok &= Report(out, "DllGetClassObject(IClassFactory)", got, S_OK);
    if (FAILED(got)) {
        return false;
    }
    IPrintPipelineFilter* filter = nullptr;
    const HRESULT created = factory->CreateInstance(nullptr, IID_IPrintPipelineFilter,
                                                    reinterpret_cast<void**>(&filter));
    factory->Release();
    ok &= Report(out, "CreateInstance(IPrintPipelineFilter)", created, S_OK);
    if (FAILED(created)) {
        return false;
    }
    ok &= Report(out, "DllCanUnloadNow while the filter lives", module.CanUnloadNow(), S_FALSE);
    filter->Release();
    ok &= Report(out, "DllCanUnloadNow after its last Release", module.CanUnloadNow(), S_OK);
    out << (ok ? "the module serves its filter class as the pipeline expects\n"
               : "the module does NOT behave as the pipeline expects\n");
    return ok;
}
