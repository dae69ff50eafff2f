// Where the job's bytes go. Every byte of the output passes the one non-virtual Write: after the
// first failed write, or once a stop was seen, nothing more is written, so a destination never
// holds a stream with a gap in it. The destinations implement WriteImpl and count what they took.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "CancelledMessage.h"
#include "OperationAccount.h"
#include "seam/Win32Seam.h"

class EncryptingOutput;

class PdlOutput {
  public:
    explicit PdlOutput(OperationAccount& account) noexcept : account(account) {}
    virtual ~PdlOutput() = default;
    PdlOutput(const PdlOutput&) = delete;
    PdlOutput& operator=(const PdlOutput&) = delete;

    // `endsSection` marks the last bytes of an encrypted section; a plain output ignores it.
    void Write(const BYTE* bytes, DWORD count, bool endsSection = false);
    void Write(std::string_view text, bool endsSection = false) {
        Write(reinterpret_cast<const BYTE*>(text.data()), static_cast<DWORD>(text.size()),
              endsSection);
    }

    // Nothing more is written once `requested` is set, from any thread.
    void StopWhenRequested(const std::atomic<bool>& requested) noexcept {
        stopRequested = &requested;
    }
    // Latches the request once seen: what was written before it stands, nothing after it.
    bool Stopped() noexcept;
    HRESULT Failure() const noexcept { return failure; }
    // Whether bytes still reach the destination: a decision is accounted for only then.
    bool Taking() const noexcept { return !stopped && SUCCEEDED(failure); }
    // Ends the caller with the cancellation once it was seen, or else with the first failed
    // write: a cancelled job's reader may go away and fail a write, which is then no fault.
    void ThrowIfInterrupted(const char* function = __builtin_FUNCTION(),
                            std::uint32_t line = __builtin_LINE());

    OperationAccount& Account() const noexcept { return account; }
    // The encrypting output this one is, if it is one: the copy opens and ends its section.
    virtual EncryptingOutput* Encryption() noexcept { return nullptr; }

  protected:
    // Writes all `count` bytes, or fails with the destination's error.
    virtual HRESULT WriteImpl(const BYTE* bytes, DWORD count, bool endsSection) = 0;

  private:
    OperationAccount& account;
    HRESULT failure = S_OK;
    const std::atomic<bool>* stopRequested = nullptr;
    bool stopped = false;
};
