// The encrypted section of a job with a pass phrase: while the section is open, every write is
// encrypted into another output, and the section's last bytes end its ciphertext. Outside the
// section bytes pass in the clear. An XPS job's section has its PJL job header in front (with the
// ticket) and the job trailer behind, both in the clear.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "PdlOutput.h"
#include "companion/Utilities/ByteBuffer.h"
#include "companion/Utilities/CXString.h"
#include "companion/Utilities/ComReference.h"
#include "companion/Utilities/MeridianEncryption.h"
#include "seam/FilterPipelineInterfaces.h"

class EncryptingOutput final : public PdlOutput {
  public:
    // `xpsTicketBag` is the property bag of an XPS job (its ticket makes the job header); empty
    // for every other PDL. `inner` outlives this output.
    EncryptingOutput(PdlOutput& inner, CXString passPhrase,
                     std::unique_ptr<MeridianEncryption> cipher,
                     ComReference<IPrintPipelinePropertyBag> xpsTicketBag = {});

    EncryptingOutput* Encryption() noexcept override { return this; }

    void OpenSection() noexcept { sectionOpen = true; }
    bool SectionOpen() const noexcept { return sectionOpen; }
    // The open section is not the job's last: the copy saw the switch that opens the next.
    void MoreSectionsFollow() noexcept { cipher->MoreSectionsFollow(); }
    // An input that failed inside the section leaves it without its last record: what follows
    // (the job trailer) goes in the clear.
    void LeaveSectionUnfinished() noexcept { sectionOpen = false; }
    // Where the XPS job trailer went, once it did.
    std::optional<std::uint64_t> XpsTrailerOffset() const noexcept { return xpsTrailerOffset; }

  private:
    HRESULT WriteImpl(const BYTE* bytes, DWORD count, bool endsSection) override;
    // One record of the section; the section's account is made with its final record.
    void WriteEncrypted(const BYTE* bytes, DWORD count, bool last);
    // The PJL job line, the ticket and the switch to the encrypted language; false (nothing
    // written) while the ticket is missing.
    bool WriteXpsJobHeader();
    bool Accounting() const noexcept { return Taking() && inner.Taking(); }

    PdlOutput& inner;
    CXString passPhrase;
    std::unique_ptr<MeridianEncryption> cipher;
    ComReference<IPrintPipelinePropertyBag> xpsTicketBag;
    // The output of one encryption call; its storage is kept from block to block.
    ByteBuffer encryptedBlock;
    bool sectionOpen = false;
    bool xpsJobHeaderWritten = false;
    std::optional<std::uint64_t> xpsTrailerOffset;
    // The section being delivered: its number, output offset and plain bytes so far.
    bool sectionDelivering = false;
    int sections = 0;
    std::uint64_t sectionOffset = 0;
    std::uint64_t sectionPlainBytes = 0;
};
