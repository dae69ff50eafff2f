// The host's manager control.
#include "host/pipeline/HostManagerControl.h"

#include "host/job/TextConversion.h"

HostManagerControl::HostManagerControl() : HostComObject(IID_IPrintPipelineManagerControl) {}

HRESULT HostManagerControl::RequestShutdown(HRESULT shutdownReason, IImgErrorInfo* record) {
    requested = true;
    reason = shutdownReason;
    BSTR text = nullptr;
    if (record != nullptr && SUCCEEDED(record->GetDescription(&text)) && text != nullptr) {
        description = TextConversion::ToUtf8(std::basic_string<WCHAR>(text, SysStringLen(text)));
    }
    SysFreeString(text);
    return S_OK;
}

HRESULT HostManagerControl::FilterFinished() {
    return S_OK;
}
