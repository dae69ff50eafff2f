// The files a person names on the host's command line: read only as much as such a file can
// sensibly hold, never written over a file the run reads, and outputs that appear only complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "host/job/JobFileError.h"

class HostFiles {
  public:
    static constexpr std::uintmax_t kJobFileLimit = 16u << 20;
    static constexpr std::uintmax_t kPassPhraseFileLimit = 64u << 10;

    // A file opened for binary reading or writing by its (wide on Windows) name; null on failure.
    static std::FILE* Open(const std::filesystem::path& path, bool forWriting);

    // The bytes of a regular file or a FIFO. Throws JobFileError naming `what` and the path when
    // it is anything else (a directory, a device), cannot be read, or holds more than `limit`.
    static std::string ReadBounded(const std::filesystem::path& path, std::uintmax_t limit,
                                   const std::string& what);

    // Throws JobFileError when `written` and `other` name one file (also through a link), since
    // writing the one would destroy the other before or while it is read.
    static void RefuseSameFile(const std::filesystem::path& written, const std::string& writtenWhat,
                               const std::filesystem::path& other, const std::string& otherWhat);

    // The text up to its first line end (a pass phrase file holds the phrase on its first line).
    static std::string FirstLine(const std::string& text);
    // What makes a pass phrase unusable: bytes that are not UTF-8 (the key is made of the
    // phrase's characters, so two such phrases could give one key), or blanks alone (they would
    // encrypt nothing).
    enum class PassPhraseFault { None, NotUtf8, Blank };
    static PassPhraseFault FaultOf(const std::string& passPhrase);

    // Throws JobFileError when `path` names a directory: such an input cannot be read.
    static void RefuseDirectory(const std::filesystem::path& path, const std::string& what);

    // Throws JobFileError when the standard stream (0: input, 1: output) is the file `path`, as a
    // redirection makes it: `run --input - --output X < X` would replace the job while reading it.
    static void RefuseStandardStream(int stream, const std::filesystem::path& path,
                                     const std::string& what);

    // Throws JobFileError when standard input and standard output are one file, as
    // `< f >> f` makes them (append mode included): every byte written would be read again.
    static void RefuseStandardStreamsOneFile();

    // A file that did not exist before, created for writing and open to its owner alone; no link
    // is followed and nothing that exists is opened. Null on failure, with errno EEXIST when the
    // name is taken.
    static std::FILE* CreateNew(const std::filesystem::path& path);
};
