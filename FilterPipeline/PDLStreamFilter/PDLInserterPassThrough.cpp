// The inserter's pass-through of a print-ready file that an application handed over in an XPS
// wrapper: announced as PDF, its bytes unchanged (encrypted with a pass phrase), the job trailer.
#include "PDLInserter.h"

namespace {
constexpr std::string_view kPdfLanguageLine{"@PJL ENTER LANGUAGE=PDF\r\n"};
constexpr std::string_view kJobTrailer{"\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X", 28};

const BYTE* Bytes(std::string_view text) {
    return reinterpret_cast<const BYTE*>(text.data());
}
DWORD Size(std::string_view text) {
    return static_cast<DWORD>(text.size());
}
}  // namespace

// The file is whatever a property names, so it is taken only as a regular file, opened as itself
// (a final link is not followed): a device would stream without end, a pipe could hang the job,
// and a link could hand any file the spooler can read to the printer.
void PDLInserter::OpenPrintReadyFile(XFile& file) const {
    if (!file.CreateOrOpenFile(
            GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING,
            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS)) {
        const DWORD error = GetLastError();
        RaiseFailure("PDLInserter::PassThroughPrintReadyFile", __LINE__,
                     "CPComException: the print-ready file cannot be opened",
                     HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND));
    }
    if (!file.IsRegularFile()) {
        RaiseFailure("PDLInserter::PassThroughPrintReadyFile", __LINE__,
                     "The print-ready file is not a regular file (a directory, device, pipe or "
                     "link): nothing was sent, and it was not deleted.",
                     HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE));
    }
}

void PDLInserter::PassThroughPrintReadyFile(CXString path) {
    XFile file(std::move(path));
    OpenPrintReadyFile(file);
    encryptionActive = true;
    Deliver(Bytes(kPdfLanguageLine), Size(kPdfLanguageLine));
    printReadyOffset = account->OutputOffset();
    DWORD readError = ERROR_SUCCESS;
    for (bool ended = false; !ended && readError == ERROR_SUCCESS; ++cycles) {
        ThrowIfInterrupted();
        BYTE* block = buffer.FillPosition();
        DWORD got = 0;
        while (got < refillCount) {
            const long long count = file.ReadFromTheFile(refillCount - got, block + got);
            if (count <= 0) {
                ended = count == 0;
                readError = count < 0 ? (GetLastError() != ERROR_SUCCESS ? GetLastError()
                                                                         : ERROR_READ_FAULT)
                                      : ERROR_SUCCESS;
                break;
            }
            got += static_cast<DWORD>(count);
        }
        bytesRead += got;
        if (readError == ERROR_SUCCESS) {
            printReadyBytes += got;
            WriteBlock(block, got, ended);
        }
    }
    RecordJobEnd("appended", account->OutputOffset());
    Deliver(Bytes(kJobTrailer), Size(kJobTrailer));
    ThrowIfInterrupted();
    if (readError != ERROR_SUCCESS) {
        RaiseFailure("PDLInserter::PassThroughPrintReadyFile", __LINE__,
                     "CPComException: reading the print-ready file failed",
                     HRESULT_FROM_WIN32(readError));
    }
}
