// The activation probe: class object, filter instance, unload check.
#include "host/commands/ActivationProbe.h"

#include <string>

#include "FilterPipeline/PDLStreamFilter/FilterClassId.h"
#include "host/job/TextConversion.h"
#include "seam/FilterPipelineInterfaces.h"

namespace {
bool Report(std::ostream& out, const char* step, HRESULT actual, HRESULT expected) {
    out << "  " << step << ": " << TextConversion::HresultText(actual)
        << (actual == expected ? "" : "  (unexpected)") << "\n";
    return actual == expected;
}
}  // namespace

bool ActivationProbe::Run(std::ostream& out) const {
    out << "filter class " << TextConversion::GuidText(CLSID_PDLStreamFilter) << "\n";
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
