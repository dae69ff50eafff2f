// A whole file at once: read into a ByteBuffer, or written from one in a single piece that
// replaces the file.
#pragma once

#include "ByteBuffer.h"
#include "CXString.h"

class SimpleFile {
  public:
    // Encoding mode 0: the bytes are taken and given as they are (no text conversion); it is the
    // only mode there is, and any other is refused with CPExceptionInvalidArgument.
    SimpleFile(CXString path, int encodingMode);

    static bool DoesFileExist2(const CXString& path);

    // Appends the file's bytes to `buffer`; throws CPExceptionOSApiError when it cannot be read.
    void ReadTheFile(ByteBuffer& buffer, int flags);
    // Writes the buffer as the file's whole content; attribute action 1 gives the file normal
    // attributes. Throws CPExceptionOSApiError when the file cannot be written completely.
    void WriteTheFile(const ByteBuffer& buffer, int attributeAction);

  private:
    CXString path;
};
