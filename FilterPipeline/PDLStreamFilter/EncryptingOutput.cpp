// Encrypting the section, with an XPS job's header and trailer around it.
#include "EncryptingOutput.h"

#include "PjlVocabulary.h"
#include "companion/Utilities/CPString.h"
#include "companion/Utilities/PipelineProperty.h"
#include "companion/Utilities/XmlOutputEscapedQcptUtf8StringCallback.h"

EncryptingOutput::EncryptingOutput(PdlOutput& inner, CXString passPhrase,
                                   std::unique_ptr<MeridianEncryption> cipher,
                                   ComReference<IPrintPipelinePropertyBag> xpsTicketBag)
    : PdlOutput(inner.Account()),
      inner(inner),
      passPhrase(std::move(passPhrase)),
      cipher(std::move(cipher)),
      xpsTicketBag(std::move(xpsTicketBag)) {}

HRESULT EncryptingOutput::WriteImpl(const BYTE* bytes, DWORD count, bool endsSection) {
    if (!sectionOpen) {
        inner.Write(bytes, count);
        return inner.Failure();
    }
    if (xpsTicketBag && !xpsJobHeaderWritten) {
        xpsJobHeaderWritten = WriteXpsJobHeader();
    }
    WriteEncrypted(bytes, count, endsSection);
    if (endsSection) {
        sectionOpen = false;
        if (xpsJobHeaderWritten) {
            xpsTrailerOffset = Account().OutputOffset();
            inner.Write(Pjl::kXpsJobTrailer);
        }
    }
    return inner.Failure();
}

void EncryptingOutput::WriteEncrypted(const BYTE* bytes, DWORD count, bool last) {
    encryptedBlock.clear();
    if (cipher->EncryptByteBuffer(bytes, count, encryptedBlock, passPhrase, last) &&
        encryptedBlock.getDword() != 0) {
        if (!sectionDelivering) {
            sectionDelivering = true;
            sectionOffset = Account().OutputOffset();
            sectionPlainBytes = 0;
            ++sections;
        }
        sectionPlainBytes += count;
        inner.Write(encryptedBlock.getLpbyte(), encryptedBlock.getDword());
    }
    if (!last || !sectionDelivering) {
        return;
    }
    sectionDelivering = false;
    if (Accounting()) {
        Account().Record("encryptedSection", [&] {
            return OperationAccount::Fields{
                {"number", sections},
                {"outputOffset", sectionOffset},
                {"plaintextLength", sectionPlainBytes},
                {"ciphertextLength", Account().OutputOffset() - sectionOffset}};
        });
    }
}

bool EncryptingOutput::WriteXpsJobHeader() {
    const std::optional<CXString> ticket =
        PipelineProperty(xpsTicketBag.Get(), WIDE("Corvo_QcptForXps")).String();
    if (!ticket) {
        return false;
    }
    ByteBuffer block;
    block.append(Pjl::kJobLine.data(), Pjl::kJobLine.size());
    ByteBuffer ansiTicket;
    ansiTicket.appendAsAnsi_LossyForUnicode(*ticket);
    CPString escaped;
    const auto callback = std::make_unique<XmlOutputEscapedQcptUtf8StringCallback>(
        escaped, XmlOutputCallback::EnhanceLegibility);
    callback->HandleOutput(ansiTicket.getLpbyte(), ansiTicket.getDword());
    block.append(ByteBuffer::createByteBufferWithUtf8EncodedStringData(escaped));
    block.append(Pjl::kEncryptedLanguageLine.data(), Pjl::kEncryptedLanguageLine.size());
    const std::uint64_t at = Account().OutputOffset();
    inner.Write(block.getLpbyte(), block.getDword());
    if (Accounting()) {
        Account().Record("xpsJobHeader", [&] {
            return OperationAccount::Fields{{"outputOffset", at}, {"length", block.getDword()}};
        });
    }
    return true;
}
