// The host's inter-filter communicator.
#include "host/pipeline/HostCommunicator.h"

HostCommunicator::HostCommunicator(IPrintReadStream* reader, IPrintWriteStream* writer)
    : HostComObject(IID_IInterFilterCommunicator), reader(reader), writer(writer) {
    reader->AddRef();
    writer->AddRef();
}

HostCommunicator::~HostCommunicator() {
    reader->Release();
    writer->Release();
}

HRESULT HostCommunicator::RequestReader(void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    reader->AddRef();
    *out = reader;
    return S_OK;
}

HRESULT HostCommunicator::RequestWriter(void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    writer->AddRef();
    *out = writer;
    return S_OK;
}
