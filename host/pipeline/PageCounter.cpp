// PCL XL is read token by token (its data types, attribute ids and embedded data), skipping the
// data in bulk; PostScript jumps from line end to line end.
#include "host/pipeline/PageCounter.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {
constexpr std::size_t kDecisionBytes = 4096;
constexpr std::string_view kDscPage = "\n%%Page:";
constexpr std::string_view kPclXlHeader = ") HP-PCL XL";
constexpr unsigned char kEndPage = 0x44;
constexpr unsigned char kUel = 0x1b;

// The bytes a value of a PCL XL scalar data type takes; 0 for any other tag.
std::size_t ScalarSize(unsigned char tag) {
    static constexpr std::size_t kSizes[] = {1, 2, 4, 2, 4, 4};
    if (tag >= 0xc0 && tag <= 0xc5) {
        return kSizes[tag - 0xc0];
    }
    if (tag >= 0xd0 && tag <= 0xd5) {
        return 2 * kSizes[tag - 0xd0];
    }
    return tag >= 0xe0 && tag <= 0xe5 ? 4 * kSizes[tag - 0xe0] : 0;
}

// The bytes an element of a PCL XL array data type takes; 0 for any other tag.
std::size_t ArrayElementSize(unsigned char tag) {
    static constexpr std::size_t kSizes[] = {1, 2, 4, 2, 4, 4};
    return tag >= 0xc8 && tag <= 0xcd ? kSizes[tag - 0xc8] : 0;
}

std::uint64_t LittleEndian(const std::string& bytes, std::size_t from, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[from + i])) << (8 * i);
    }
    return value;
}
}  // namespace

void PageCounter::Feed(const char* bytes, std::size_t count) {
    if (language == Language::Undecided) {
        const std::size_t taken = std::min(count, kDecisionBytes - head.size());
        head.append(bytes, taken);
        bytes += taken;
        count -= taken;
        if (head.size() < kDecisionBytes) {
            return;
        }
        Decide();
    }
    if (language == Language::PclXl) {
        FeedPclXl(reinterpret_cast<const unsigned char*>(bytes), count);
    } else {
        FeedPostScript(bytes, count);
    }
}

std::optional<std::uint64_t> PageCounter::Pages() {
    if (language == Language::Undecided) {
        Decide();
    }
    return pages != 0 ? std::optional<std::uint64_t>(pages) : std::nullopt;
}

void PageCounter::Decide() {
    const std::size_t found = head.find(kPclXlHeader);
    std::string first;
    first.swap(head);
    if (found != std::string::npos) {
        language = Language::PclXl;
        FeedPclXl(reinterpret_cast<const unsigned char*>(first.data()) + found,
                  first.size() - found);
    } else {
        language = Language::PostScript;
        FeedPostScript(first.data(), first.size());
    }
}

// `matched` carries a partial "\n%%Page:" from one block into the next.
void PageCounter::FeedPostScript(const char* bytes, std::size_t count) {
    std::size_t i = 0;
    while (i < count) {
        if (matched > 0) {
            if (bytes[i] == kDscPage[matched]) {
                ++i;
                if (++matched == kDscPage.size()) {
                    ++pages;
                    matched = 0;
                }
                continue;
            }
            matched = 0;
        }
        const void* lineEnd = std::memchr(bytes + i, '\n', count - i);
        if (lineEnd == nullptr) {
            return;
        }
        i = static_cast<std::size_t>(static_cast<const char*>(lineEnd) - bytes) + 1;
        matched = 1;
    }
}

void PageCounter::FeedPclXl(const unsigned char* bytes, std::size_t count) {
    std::size_t i = 0;
    while (i < count) {
        if (seekingHeader) {
            SeekHeader(bytes[i++]);
        } else if (skip > 0) {
            const auto skipped = static_cast<std::size_t>(std::min<std::uint64_t>(skip, count - i));
            skip -= skipped;
            i += skipped;
        } else if (wanted > 0) {
            header.push_back(static_cast<char>(bytes[i++]));
            if (header.size() == wanted) {
                Complete();
            }
        } else {
            Tag(bytes[i++]);
        }
    }
}

// Up to a stream header's line end nothing is a token: in front of it, and after a UEL, PJL text
// stands, whose letters would read as operators.
void PageCounter::SeekHeader(unsigned char byte) {
    if (headerMatched < kPclXlHeader.size()) {
        headerMatched = byte == static_cast<unsigned char>(kPclXlHeader[headerMatched])
                            ? headerMatched + 1
                            : (byte == ')' ? 1 : 0);
    } else if (byte == '\n') {
        seekingHeader = false;
        headerMatched = 0;
    }
}

void PageCounter::Tag(unsigned char value) {
    tag = value;
    header.clear();
    if (const std::size_t size = ScalarSize(tag); size != 0) {
        wanted = size;
    } else if (ArrayElementSize(tag) != 0 || tag == 0xf8 || tag == 0xfb) {
        wanted = 1;
    } else if (tag == 0xf9) {
        wanted = 2;
    } else if (tag == 0xfa) {
        wanted = 4;
    } else if (tag == kEndPage) {
        ++pages;
    } else if (tag == kUel) {
        seekingHeader = true;
    }
}

// An array's length comes as a ubyte or uint16 value behind its type tag; embedded data's as a
// uint32 (0xfa) or a ubyte (0xfb).
void PageCounter::Complete() {
    wanted = 0;
    if (const std::size_t element = ArrayElementSize(tag); element != 0) {
        if (header.size() == 1) {
            wanted = static_cast<unsigned char>(header[0]) == 0xc0 ? 2 : 3;
            return;
        }
        skip = LittleEndian(header, 1, header.size() - 1) * element;
    } else if (tag == 0xfa) {
        skip = LittleEndian(header, 0, 4);
    } else if (tag == 0xfb) {
        skip = LittleEndian(header, 0, 1);
    }
}
