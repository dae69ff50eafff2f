// The pass-through of a print-ready file that an application handed over in an XPS wrapper:
// announced as PDF, its bytes unchanged (encrypted with a pass phrase), then the job trailer.
#pragma once

#include <chrono>
#include <cstdint>

#include "PDLInsertionData.h"
#include "PdlOutput.h"
#include "companion/Utilities/CXString.h"
#include "companion/Utilities/XFile.h"

class PrintReadyFilePassThrough {
  public:
    // `items` were made for the job but have no place in a file passed as it is: the account
    // lists them as not inserted. The output and the items outlive the pass-through.
    PrintReadyFilePassThrough(PdlOutput& output, const PDLInsertionDataList& items) noexcept;
    ~PrintReadyFilePassThrough();
    PrintReadyFilePassThrough(const PrintReadyFilePassThrough&) = delete;
    PrintReadyFilePassThrough& operator=(const PrintReadyFilePassThrough&) = delete;

    void StopWhenRequested(const std::atomic<bool>& requested) noexcept {
        output.StopWhenRequested(requested);
    }
    // A file that cannot be opened writes nothing; it and a read error in the middle (after the
    // trailer) end with a CPComException carrying the OS error, so the job does not pass for
    // printed.
    void Run(CXString path);

    // The bytes of the file that were passed through, and the output offset of the first of them.
    std::uint64_t Bytes() const noexcept { return fileBytes; }
    std::uint64_t Offset() const noexcept { return fileOffset; }

  private:
    void OpenPrintReadyFile(XFile& file) const;
    // Copies the file block by block; returns the OS error of a failed read, ERROR_SUCCESS at its
    // end.
    DWORD CopyFile(XFile& file);
    // Reads up to one block; `ended` once the file has no more.
    DWORD ReadBlock(XFile& file, BYTE* block, bool& ended, DWORD& readError);

    PdlOutput& output;
    const PDLInsertionDataList& items;
    std::uint64_t fileBytes = 0;
    std::uint64_t fileOffset = 0;
    std::uint64_t bytesRead = 0;
    std::uint64_t cycles = 0;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};
