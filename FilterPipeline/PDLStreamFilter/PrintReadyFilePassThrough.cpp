// Passing a print-ready file through: opened only as a regular file, copied block by block, ended
// with the job trailer.
#include "PrintReadyFilePassThrough.h"

#include <vector>

#include "EncryptingOutput.h"
#include "FilterFailure.h"
#include "PdlStreamBuffer.h"
#include "PjlVocabulary.h"

namespace {
constexpr const char* kSourceFile = "FilterPipeline\\PDLStreamFilter\\PrintReadyFilePassThrough";
constexpr DWORD kBlockSize = PdlStreamBuffer::kWorkingSize;
}  // namespace

PrintReadyFilePassThrough::PrintReadyFilePassThrough(PdlOutput& output,
                                                     const PDLInsertionDataList& items) noexcept
    : output(output), items(items) {}

PrintReadyFilePassThrough::~PrintReadyFilePassThrough() {
    RecordItemsNotInserted(output.Account(), items);
    const auto elapsed =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started);
    output.Account().CountCopy(bytesRead, cycles, elapsed.count());
}

// The file is whatever a property names, so it is taken only as a regular file, opened as itself
// (a final link is not followed): a device would stream without end, a pipe could hang the job,
// and a link could hand any file the spooler can read to the printer.
void PrintReadyFilePassThrough::OpenPrintReadyFile(XFile& file) const {
    if (!file.CreateOrOpenFile(
            GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING,
            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS)) {
        const DWORD error = GetLastError();
        RaiseFilterFailure(
            kSourceFile, "CPComException: the print-ready file cannot be opened",
            HRESULT_FROM_WIN32(error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND));
    }
    if (!file.IsRegularFile()) {
        RaiseFilterFailure(kSourceFile,
                           "The print-ready file is not a regular file (a directory, device, pipe "
                           "or link): nothing was sent, and it was not deleted.",
                           HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE));
    }
}

void PrintReadyFilePassThrough::Run(CXString path) {
    XFile file(std::move(path));
    OpenPrintReadyFile(file);
    output.Write(Pjl::kPdfLanguageLine);
    EncryptingOutput* const encryption = output.Encryption();
    if (encryption != nullptr) {
        encryption->OpenSection();
    }
    fileOffset = output.Account().OutputOffset();
    const DWORD readError = CopyFile(file);
    if (encryption != nullptr) {
        encryption->LeaveSectionUnfinished();
    }
    if (output.Taking()) {
        output.Account().Record("jobEnd", [&] {
            return OperationAccount::Fields{{"trailer", "appended"},
                                            {"outputOffset", output.Account().OutputOffset()}};
        });
    }
    output.Write(Pjl::kJobTrailer);
    output.ThrowIfInterrupted();
    if (readError != ERROR_SUCCESS) {
        RaiseFilterFailure(kSourceFile, "CPComException: reading the print-ready file failed",
                           HRESULT_FROM_WIN32(readError));
    }
}

DWORD PrintReadyFilePassThrough::CopyFile(XFile& file) {
    std::vector<BYTE> block(kBlockSize);
    DWORD readError = ERROR_SUCCESS;
    for (bool ended = false; !ended && readError == ERROR_SUCCESS; ++cycles) {
        output.ThrowIfInterrupted();
        const DWORD got = ReadBlock(file, block.data(), ended, readError);
        bytesRead += got;
        if (readError == ERROR_SUCCESS) {
            fileBytes += got;
            output.Write(block.data(), got, ended);
        }
    }
    return readError;
}

DWORD PrintReadyFilePassThrough::ReadBlock(XFile& file, BYTE* block, bool& ended,
                                           DWORD& readError) {
    DWORD got = 0;
    while (got < kBlockSize) {
        const long long count = file.ReadFromTheFile(kBlockSize - got, block + got);
        if (count <= 0) {
            ended = count == 0;
            const DWORD error = GetLastError();
            readError =
                count < 0 ? (error != ERROR_SUCCESS ? error : ERROR_READ_FAULT) : ERROR_SUCCESS;
            return got;
        }
        got += static_cast<DWORD>(count);
    }
    return got;
}
