// Arbitrary bytes, read sizes, reads that fail, come back empty or claim too much, cancellations,
// items and flags through CopyStream, each case twice: with the copy's reuse of searches and
// shifts and without it, the reads asked for and the blocks delivered are the same. The copy must
// end (returning, or failing with a CPComException); without items, flags, pass phrase or
// PostScript it delivers exactly the input, block by block, with the closing-sequence rule
// applied, and without a pass phrase, stapling removal or PostScript (or with PostScript whose page
// setup is kept and that has no graphics groups) every byte of the input in its order; otherwise it
// is never longer than the input plus every item's text plus the fixed texts the steps add; nothing
// is delivered after a cancellation, a refused job delivers nothing at all, nothing of the input
// but PJL goes out in the clear with a pass phrase, and with an operation account its count of
// delivered bytes is the output's and every plain item stands at its recorded offset.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/PDLInserter.h"
#include "FilterPipeline/PDLStreamFilter/PdlValue.h"
#include "FilterPipeline/PDLStreamFilter/PipelineOutput.h"
#include "companion/Utilities/CPComException.h"
#include "tests/fakes/FakePipeline.h"

namespace {
// Gives the bytes back unchanged, so that the length bound holds on the encrypted path too, and
// keeps each call's size and last flag.
class IdentityEncryptor : public MeridianEncryption {
  public:
    class NoRandom : public RandomSource {
      public:
        void Fill(std::uint8_t* bytes, std::size_t count) override {
            std::fill(bytes, bytes + count, 0);
        }
    };
    // `encryptedBlocks` gets the index among `blocks` of each block that carries encrypted bytes.
    IdentityEncryptor(std::vector<std::pair<DWORD, bool>>& calls,
                      const std::vector<std::string>& blocks,
                      std::vector<std::size_t>& encryptedBlocks)
        : MeridianEncryption(1, CXString(), std::make_unique<NoRandom>(), 1),
          calls(calls),
          blocks(blocks),
          encryptedBlocks(encryptedBlocks) {}
    bool EncryptByteBuffer(const BYTE* bytes, DWORD count, ByteBuffer& out, const CXString&,
                           bool last) override {
        calls.emplace_back(count, last);
        out.append(bytes, count);
        if (count > 0) {
            encryptedBlocks.push_back(blocks.size());
        }
        return count > 0 || last;
    }

  private:
    std::vector<std::pair<DWORD, bool>>& calls;
    const std::vector<std::string>& blocks;
    std::vector<std::size_t>& encryptedBlocks;
};

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::string Bytes(std::size_t count) {
        count = std::min(count, size - at);
        std::string text(reinterpret_cast<const char*>(data + at), count);
        at += count;
        return text;
    }
    std::string Rest() { return Bytes(size - at); }

  private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

std::size_t Occurrences(const std::string& text, const std::string& marker) {
    std::size_t count = 0;
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + 1)) {
        ++count;
    }
    return count;
}

// What the copy delivers when no step claims anything: 64 KB flushes while more than a buffer's
// worth remains, then the rest in one block, or, when the rest ends with the closing sequence
// (blanks and line ends aside), what stands in front of it, the trailer in its place, and those
// blanks behind it.
std::vector<std::string> IdentityBlocks(const std::string& input) {
    constexpr std::size_t kBuffer = 131072;
    constexpr std::size_t kFlush = 65536;
    const std::size_t flushed =
        input.size() > kBuffer ? (input.size() - kBuffer + kFlush - 1) / kFlush * kFlush : 0;
    std::vector<std::string> blocks;
    for (std::size_t at = 0; at < flushed; at += kFlush) {
        blocks.push_back(input.substr(at, kFlush));
    }
    const std::string closing = "\x1b%-12345X\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X";
    const std::string tail = input.substr(flushed);
    const std::size_t end = tail.find_last_not_of(" \t\r\n") + 1;
    if (end < closing.size() || tail.compare(end - closing.size(), closing.size(), closing) != 0) {
        blocks.push_back(tail);
        return blocks;
    }
    blocks.push_back(tail.substr(0, end - closing.size()));
    blocks.push_back("\x1b%-12345X@PJL EOJ\r\n\x1b%-12345X");
    if (end < tail.size()) {
        blocks.push_back(tail.substr(end));
    }
    return blocks;
}

// Whether `part` is a subsequence of `whole`: every byte of it there, in its order.
bool HoldsInOrder(const std::string& whole, const std::string& part) {
    std::size_t at = 0;
    for (const char byte : whole) {
        at += at < part.size() && part[at] == byte ? 1 : 0;
    }
    return at == part.size();
}

// Whether every line of `plain` is PJL: blanks and UELs, then nothing or "@PJL" in any case.
bool OnlyPjl(const std::string& plain) {
    const std::string uel = "\x1b%-12345X";
    std::size_t at = 0;
    while (at < plain.size()) {
        std::size_t lineEnd = plain.find('\n', at);
        lineEnd = lineEnd == std::string::npos ? plain.size() : lineEnd;
        for (;;) {
            if (at < lineEnd && std::string(" \t\r").find(plain[at]) != std::string::npos) {
                ++at;
            } else if (plain.compare(at, uel.size(), uel) == 0 && at + uel.size() <= lineEnd) {
                at += uel.size();
            } else {
                break;
            }
        }
        std::string word = plain.substr(at, std::min<std::size_t>(4, lineEnd - at));
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (at < lineEnd && word != std::string("@PJL").substr(0, word.size())) {
            return false;
        }
        at = lineEnd + 1;
    }
    return true;
}

// Nothing of the input but PJL goes out in the clear, in front of the first encrypted block or
// behind a section: the section opens only behind a switch that only PJL stands in front of, and
// closes only where PJL follows a UEL. The driver's items are no input and are passed over.
bool NothingButPjlInTheClear(const std::vector<std::string>& blocks,
                             const std::vector<std::size_t>& encrypted,
                             const std::vector<std::pair<DWORD, std::string>>& items) {
    std::string run;
    for (std::size_t index = 0; index <= blocks.size(); ++index) {
        const bool plain = index < blocks.size() &&
                           std::find(encrypted.begin(), encrypted.end(), index) == encrypted.end();
        const bool item = plain && std::any_of(items.begin(), items.end(), [&](const auto& each) {
                              return each.second == blocks[index];
                          });
        if (item) {
            continue;
        }
        if (plain) {
            run += blocks[index];
        } else if (!OnlyPjl(run)) {
            return false;
        } else {
            run.clear();
        }
    }
    return true;
}

constexpr LONG kPdlTypes[] = {PdlValue::PclXl, PdlValue::PostScript, PdlValue::Xps,
                              PdlValue::Pdf,   PdlValue::Pclm,       PdlValue::NoneKnown};
constexpr DWORD kItemTypes[] = {BeforePjlEnterLanguage, BeforeEndSetup, BeforeTitle, AtStreamStart,
                                BeforePclmHeader};
constexpr std::size_t kItemTypeCount = sizeof kItemTypes / sizeof kItemTypes[0];
// One fuzz case, decoded from the input's first bytes.
struct Case {
    std::uint8_t flags;
    std::uint8_t readSize;
    std::uint8_t failingRead;
    std::uint8_t emptyFrom;
    std::vector<std::pair<DWORD, std::string>> items;
    std::string stream;
};

// What one copy did, as far as its peers can see: the counts it asked the read stream for, the
// blocks it delivered, each encryption call's size and last flag, and how it ended.
struct Run {
    std::vector<ULONG> requested;
    std::vector<std::string> blocks;
    std::vector<std::pair<DWORD, bool>> encryptions;
    HRESULT result = S_OK;
    bool operator==(const Run& other) const {
        return requested == other.requested && blocks == other.blocks &&
               encryptions == other.encryptions && result == other.result;
    }
};

[[noreturn]] void Fail() {
    __builtin_trap();
}

// The read stream of a case: its read size, the read that fails, empty reads and over-reports.
FakeReadStream* ReaderOf(const Case& c) {
    auto* reader = new FakeReadStream(c.stream);
    reader->chunk = c.readSize;
    reader->failingRead = c.failingRead % 16;
    reader->hookedRead = c.failingRead >> 4;
    reader->emptyFrom = c.emptyFrom % 64 == 1 ? 2 : 0;
    reader->emptyEvery = c.emptyFrom % 64 >= 60 ? c.emptyFrom % 64 - 57 : 0;
    reader->overReportBy = (c.flags & 0x40) != 0 ? c.readSize % 7 + 1 : 0;
    return reader;
}

// The property bag of a case: with the account sink, or without one.
FakePropertyBag* BagOf(const Case& c, FakeAccountSink* sink) {
    auto* bag = new FakePropertyBag();
    if ((c.emptyFrom & 0x80) != 0) {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_UNKNOWN;
        value.punkVal = sink;
        sink->AddRef();
        bag->values[WIDE("PDLStreamFilterAccountSink")] = value;
    }
    return bag;
}

// Everything a case sets up around one copy, and what the checks read after it.
struct Copy {
    const Case& c;
    PDLInsertionDataList items;
    std::size_t itemBytes = 0;
    LONG pdl;
    FakeReadStream* reader;
    FakeWriteStream* writer = new FakeWriteStream();
    FakeAccountSink* sink = new FakeAccountSink();
    FakePropertyBag* bag;
    std::atomic<bool> stop{false};
    int writesAtStop = -1;
    std::vector<std::size_t> encryptedBlocks;

    explicit Copy(const Case& c)
        : c(c), pdl(kPdlTypes[(c.flags >> 3) % 6]), reader(ReaderOf(c)), bag(BagOf(c, sink)) {
        for (const auto& [type, text] : c.items) {
            items.emplace_back(type, CXString(text.c_str()));
            itemBytes += text.size();
        }
        reader->duringHookedRead = [this] {
            stop.store(true);
            writesAtStop = writer->writes;
        };
    }
    ~Copy() {
        bag->Release();
        sink->Release();
        reader->Release();
        writer->Release();
    }
};

// The copy itself: an allowed end is a normal one or a CPComException from a failed read.
void CopyThrough(Copy& copy, OperationAccount& account, bool reuseSearches, Run& run) {
    const Case& c = copy.c;
    PipelineOutput pipeline(copy.writer, account);
    std::unique_ptr<EncryptingOutput> encrypting;
    if ((c.flags & 4) != 0) {
        encrypting = std::make_unique<EncryptingOutput>(
            pipeline, CXString(WIDE("k")),
            std::make_unique<IdentityEncryptor>(run.encryptions, copy.writer->blocks,
                                                copy.encryptedBlocks));
    }
    InserterOptions options;
    options.pdlType = copy.pdl;
    options.removeNativeStapling = (c.flags & 1) != 0;
    options.legacyGreenFax = (c.flags & 2) != 0;
    options.keepPageSetup = (c.flags & 0x80) != 0;
    options.reuseSearches = reuseSearches;
    PDLInserter inserter(encrypting ? static_cast<PdlOutput&>(*encrypting) : pipeline, copy.reader,
                         copy.items, options);
    inserter.StopWhenRequested(copy.stop);
    try {
        inserter.CopyStream();
        const bool identity = copy.items.empty() && (c.flags & 7) == 0 &&
                              copy.pdl != PdlValue::PostScript && copy.writesAtStop < 0;
        if (identity && copy.writer->blocks != IdentityBlocks(c.stream)) {
            Fail();
        }
        // Without a pass phrase, page features or the stapling removal nothing of the input is
        // lost: the items and the fax job line only add bytes, the trailer stands for the closing
        // sequence at the end. Page features that keep the document's page setup drop nothing
        // either; only a driver's graphics group lines are taken out.
        const bool keptSetup = (c.flags & 0x80) != 0 &&
                               Occurrences(c.stream, "gsave simpInitG\n") == 0 &&
                               Occurrences(c.stream, "grestore\n") == 0;
        const bool keepsEveryByte = (c.flags & 5) == 0 &&
                                    (copy.pdl != PdlValue::PostScript || keptSetup) &&
                                    copy.writesAtStop < 0;
        std::string kept;
        for (const std::string& block : IdentityBlocks(c.stream)) {
            kept += block;
        }
        if (keepsEveryByte && !HoldsInOrder(copy.writer->written, kept)) {
            Fail();
        }
    } catch (const CPComException& failure) {
        run.result = failure.GetHresult();
        if (failure.GetHresult() == HRESULT_FROM_WIN32(ERROR_INVALID_DATA) &&
            copy.writer->writes != 0) {
            Fail();
        }
    }
}

// What every configuration must give: nothing written after a stop, the account's offsets on the
// bytes, nothing but PJL in the clear beside a section, and no runaway growth.
void CheckCopy(const Copy& copy, const OperationAccount& account) {
    const Case& c = copy.c;
    const FakeWriteStream& writer = *copy.writer;
    if ((copy.writesAtStop >= 0 && writer.writes != copy.writesAtStop) ||
        account.OutputOffset() != writer.written.size()) {
        Fail();
    }
    const bool onlyPjlInTheClear =
        (c.flags & 5) == 4 &&
        (copy.pdl == PdlValue::PclXl || copy.pdl == PdlValue::Pdf || copy.pdl == PdlValue::Xps);
    if (onlyPjlInTheClear &&
        !NothingButPjlInTheClear(writer.blocks, copy.encryptedBlocks, c.items)) {
        Fail();
    }
    for (const std::string& text : copy.sink->records) {
        const nlohmann::json record = nlohmann::json::parse(text);
        if (record["record"] != "item" || !record["inserted"] || record["encrypted"]) {
            continue;
        }
        const std::string& expected = c.items.at(record["index"].get<std::size_t>()).second;
        if (writer.written.compare(record["outputOffset"].get<std::size_t>(), expected.size(),
                                   expected) != 0) {
            Fail();
        }
    }
    const std::size_t bound = c.stream.size() + copy.itemBytes + 25 + 74 + 28 +
                              33 * (Occurrences(c.stream, "%%BeginPageSetup") + 1);
    if (writer.written.size() > bound) {
        Fail();
    }
}

// The copy of one case, with the checks every configuration must pass.
Run RunCopy(const Case& c, bool reuseSearches) {
    Copy copy(c);
    OperationAccount account(copy.bag);
    Run run;
    CopyThrough(copy, account, reuseSearches, run);
    CheckCopy(copy, account);
    run.requested = copy.reader->requested;
    run.blocks = copy.writer->blocks;
    return run;
}
}  // namespace

// Every case runs twice, with the copy's reuse of searches and shifts and without it: both must ask
// the read stream for the same counts and deliver the same blocks.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    Case c;
    c.flags = input.Byte();
    c.readSize = input.Byte();
    c.failingRead = input.Byte();
    c.emptyFrom = input.Byte();
    for (int count = input.Byte() % 7; count > 0; --count) {
        const DWORD type = kItemTypes[input.Byte() % kItemTypeCount];
        std::string text = input.Bytes(input.Byte() % 64);
        for (char& character : text) {
            character = static_cast<char>(0x20 + static_cast<unsigned char>(character) % 0x5F);
        }
        c.items.emplace_back(type, text);
    }
    c.stream = input.Rest();
    if (!(RunCopy(c, true) == RunCopy(c, false))) {
        Fail();
    }
    return 0;
}
