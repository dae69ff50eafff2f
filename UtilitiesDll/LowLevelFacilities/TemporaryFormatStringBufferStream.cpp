// Stream of one formatted argument.
#include "TemporaryFormatStringBufferStream.h"

namespace InternalCorvoCP {

TemporaryFormatStringBufferStream::TemporaryFormatStringBufferStream(
    IFormatStringStreamDestination& destination)
    : std::ostream(&destination.acquireStreamBuffer()), destination(destination) {}

TemporaryFormatStringBufferStream::~TemporaryFormatStringBufferStream() {
    if (committed) {
        return;
    }
    try {
        destination.commitStreamedText();
    } catch (...) {
    }
}

void TemporaryFormatStringBufferStream::commit() {
    flush();
    committed = true;
    destination.commitStreamedText();
}

}  // namespace InternalCorvoCP
