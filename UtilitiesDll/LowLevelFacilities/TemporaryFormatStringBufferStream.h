// A stream for one argument, writing into a destination's stream buffer; what was written is
// committed into the destination's text by commit(), or at the latest when the stream goes.
#pragma once

#include <ostream>

#include "IFormatStringStreamDestination.h"

namespace InternalCorvoCP {

class TemporaryFormatStringBufferStream : public std::ostream {
  public:
    explicit TemporaryFormatStringBufferStream(IFormatStringStreamDestination& destination);
    // Commits if commit() was not called; a failure here (out of memory while unwinding from
    // another failure) is dropped, since the text is being discarded anyway.
    ~TemporaryFormatStringBufferStream() override;

    void commit();

  private:
    IFormatStringStreamDestination& destination;
    bool committed = false;
};

}  // namespace InternalCorvoCP
