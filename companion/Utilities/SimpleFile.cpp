// Whole-file reads and writes.
#include "SimpleFile.h"

#include <utility>

#include "CPExceptionInvalidArgument.h"
#include "CPExceptionOSApiError.h"
#include "XFile.h"
#include "XFolder.h"

namespace {
[[noreturn]] void Fail(const char* what, const CXString& path) {
    const DWORD error = GetLastError();
    throw CPExceptionOSApiError(
        std::string("SimpleFile: cannot ") + what + " " + XFolder::DisplayPath(path), error,
        CV_DEBUG_CONTEXT(kLibraryCategoryMask));
}
}  // namespace

SimpleFile::SimpleFile(CXString path, int encodingMode) : path(std::move(path)) {
    if (encodingMode != 0) {
        throw CPExceptionInvalidArgument("SimpleFile: unknown encoding mode", GetLastError(),
                                         CV_DEBUG_CONTEXT(kLibraryCategoryMask));
    }
}

bool SimpleFile::DoesFileExist2(const CXString& path) {
    const DWORD attributes = GetFileAttributesW(path.GetString());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void SimpleFile::ReadTheFile(ByteBuffer& buffer, int) {
    XFile file(path);
    if (!file.CreateOrOpenFile(GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)) {
        Fail("open", path);
    }
    BYTE chunk[64 * 1024];
    for (;;) {
        const long long count = file.ReadFromTheFile(sizeof chunk, chunk);
        if (count < 0) {
            Fail("read", path);
        }
        if (count == 0) {
            return;
        }
        buffer.append(chunk, static_cast<std::size_t>(count));
    }
}

void SimpleFile::WriteTheFile(const ByteBuffer& buffer, int) {
    XFile file(path);
    if (!file.CreateOrOpenFile(GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL)) {
        Fail("create", path);
    }
    if (!file.WriteToTheFile(buffer.getDword(), buffer.getLpbyte(), 0xFFFFFFFFu)) {
        Fail("write", path);
    }
    if (!file.CloseFile()) {
        Fail("close", path);
    }
}
