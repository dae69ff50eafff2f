// Watching the streams for the job's insertion items.
#include "InsertionWitness.h"

#include <algorithm>
#include <string_view>

#include "FilterPipeline/PDLStreamFilter/PDLInsertionListBuilder.h"
#include "companion/Utilities/ByteBuffer.h"

namespace {
std::string MarkerOf(DWORD type) {
    switch (type) {
        case BeforePjlEnterLanguage:
            return "@PJL ENTER LANGUAGE";
        case BeforeEndSetup:
            return "%%EndSetup";
        case BeforeTitle:
            return "%%Title";
        case BeforePclmHeader:
            return "%PCLm 1.0";
        default:
            return std::string();
    }
}

// The bytes the filter writes for an item: its text as ANSI, up to its first U+0000.
std::string BytesOf(const CXString& text) {
    const int end = text.Find(WIDE('\0'));
    ByteBuffer bytes;
    bytes.appendAsAnsi_LossyForUnicode(end < 0 ? text : text.Left(end));
    return std::string(reinterpret_cast<const char*>(bytes.getLpbyte()), bytes.getDword());
}

std::uint64_t Occurrences(std::string_view text, std::string_view pattern, std::size_t firstEnd) {
    std::uint64_t found = 0;
    for (std::size_t at = text.find(pattern); at != std::string_view::npos && at < firstEnd;
         at = text.find(pattern, at + 1)) {
        ++found;
    }
    return found;
}
}  // namespace

// A match that straddles two blocks is found in the joint of the kept tail and the block's
// first bytes; the rest of the block is searched in place.
void InsertionWitness::Counter::Feed(const char* bytes, std::size_t size) {
    if (pattern.empty() || size == 0) {
        return;
    }
    const std::string_view block(bytes, size);
    const std::size_t keep = pattern.size() - 1;
    const std::string joint = tail + std::string(block.substr(0, keep));
    count += Occurrences(joint, pattern, tail.size());
    count += Occurrences(block, pattern, block.size());
    const std::string joined =
        tail + std::string(block.substr(block.size() - std::min(keep, block.size())));
    tail = joined.substr(joined.size() - std::min(keep, joined.size()));
}

InsertionWitness::InsertionWitness(const JobSettings& settings, bool encrypted) {
    PDLInsertionDataList items;
    PDLInsertionListBuilder::Build(settings, items);
    for (const PDLInsertionData& item : items) {
        const std::string pattern = BytesOf(item.insertionText) + MarkerOf(item.insertionType);
        const bool beforeEncryption =
            item.insertionType == AtStreamStart || item.insertionType == BeforePjlEnterLanguage;
        watched.push_back(Watched{item.insertionType, !encrypted || beforeEncryption,
                                  Counter(pattern), Counter(pattern)});
    }
}

void InsertionWitness::SeeInput(const char* bytes, std::size_t count) {
    for (Watched& item : watched) {
        item.input.Feed(bytes, count);
    }
}

void InsertionWitness::SeeOutput(const char* bytes, std::size_t count) {
    for (Watched& item : watched) {
        item.output.Feed(bytes, count);
    }
}

std::vector<InsertionWitness::Item> InsertionWitness::Items() const {
    std::vector<Item> items;
    for (const Watched& item : watched) {
        items.push_back(Item{
            item.type, item.visible ? std::optional<bool>(item.output.Count() > item.input.Count())
                                    : std::nullopt});
    }
    return items;
}
