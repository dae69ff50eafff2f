// A destination of formatted text into which an argument can also be streamed: the stream writes
// into the destination's stream buffer, and a commit moves what was written into the text.
#pragma once

#include <streambuf>

namespace InternalCorvoCP {

class IFormatStringStreamDestination {
  public:
    virtual ~IFormatStringStreamDestination() = default;
    virtual std::streambuf& acquireStreamBuffer() = 0;
    virtual void commitStreamedText() = 0;
};

}  // namespace InternalCorvoCP
