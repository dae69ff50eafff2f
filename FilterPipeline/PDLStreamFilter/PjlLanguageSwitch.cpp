// The PJL language switch: a scan for "@" with memchr, then a check of the line from there. No
// pattern engine: this runs over every byte of a job with a pass phrase.
#include "PjlLanguageSwitch.h"

#include <algorithm>
#include <cstring>

#include "PdlValue.h"
#include "PjlVocabulary.h"

namespace {
using Pjl::kUel;
constexpr std::string_view kPjl{"PJL"};

bool IsSpaceOrLineEnd(BYTE c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads one candidate line from its first byte; every method consumes what it accepts.
class LineReader {
  public:
    LineReader(const BYTE* at, const BYTE* end) : at(at), end(end) {}

    // `word` in upper case; the line's bytes in any case.
    bool Keyword(std::string_view word) {
        if (static_cast<std::size_t>(end - at) < word.size()) {
            return false;
        }
        for (const char expected : word) {
            const BYTE c = *at;
            if (c != static_cast<BYTE>(expected) &&
                !(c >= 'a' && c <= 'z' && c - ('a' - 'A') == static_cast<BYTE>(expected))) {
                return false;
            }
            ++at;
        }
        return true;
    }
    bool Byte(char expected) {
        if (at == end || *at != static_cast<BYTE>(expected)) {
            return false;
        }
        ++at;
        return true;
    }
    // True when at least `least` blanks (space or tab) were taken.
    bool Blanks(int least) {
        int taken = 0;
        while (at != end && (*at == ' ' || *at == '\t')) {
            ++at;
            ++taken;
        }
        return taken >= least;
    }
    bool LineEnd() { return Byte('\n') || (Byte('\r') && Byte('\n')); }

    // "=" and the name with their blanks, and the line end.
    bool RestOfSwitch(std::string_view language) {
        return Blanks(0) && Byte('=') && Blanks(0) && Keyword(language) && Blanks(0) && LineEnd();
    }

    const BYTE* Position() const noexcept { return at; }
    bool AtEnd() const noexcept { return at == end; }

  private:
    const BYTE* at;
    const BYTE* end;
};

// Steps through PJL item by item: blanks and line ends, UELs, and "@PJL" lines up to their LF.
class PjlItems {
  public:
    enum class Item { PjlLine, NotPjl, CutShort, End };

    PjlItems(const BYTE* at, const BYTE* end) : at(at), end(end) {}

    // Skips blanks, line ends and UELs; stops in front of the next "@PJL" line, or says what
    // stands there instead. CutShort: the bytes end inside a UEL or an "@PJL".
    Item Next() {
        while (at != end) {
            const std::size_t left = static_cast<std::size_t>(end - at);
            if (IsSpaceOrLineEnd(*at)) {
                ++at;
                continue;
            }
            if (std::memcmp(at, kUel.data(), std::min(left, kUel.size())) == 0) {
                if (left < kUel.size()) {
                    return Item::CutShort;
                }
                at += kUel.size();
                continue;
            }
            LineReader line(at, end);
            if (!line.Byte('@') || !line.Keyword(kPjl.substr(0, std::min(left - 1, kPjl.size())))) {
                return Item::NotPjl;
            }
            if (left < 1 + kPjl.size()) {
                return Item::CutShort;
            }
            return line.AtEnd() || IsSpaceOrLineEnd(*line.Position()) ? Item::PjlLine
                                                                      : Item::NotPjl;
        }
        return Item::End;
    }

    // Past the LF of the line that starts here; false when the bytes end before it.
    bool SkipLine() {
        const void* lineEnd = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
        if (lineEnd == nullptr) {
            return false;
        }
        at = static_cast<const BYTE*>(lineEnd) + 1;
        return true;
    }

    const BYTE* Position() const noexcept { return at; }

  private:
    const BYTE* at;
    const BYTE* end;
};
}  // namespace

std::string_view PjlLanguageSwitch::LanguageName(LONG pdlType) {
    switch (pdlType) {
        case PdlValue::PostScript:
            return "POSTSCRIPT";
        case PdlValue::PclXl:
            return "PCLXL";
        case PdlValue::Pdf:
            return "PDF";
        default:
            return {};
    }
}

std::optional<PjlLanguageSwitch::Line> PjlLanguageSwitch::Find(const BYTE* bytes, DWORD count,
                                                               DWORD held,
                                                               std::string_view language) {
    if (language.empty()) {
        return std::nullopt;
    }
    const BYTE* const end = bytes + held;
    const BYTE* candidate = bytes;
    while (candidate < bytes + count) {
        candidate = static_cast<const BYTE*>(
            std::memchr(candidate, '@', static_cast<std::size_t>(bytes + count - candidate)));
        if (candidate == nullptr) {
            return std::nullopt;
        }
        LineReader line(candidate + 1, end);
        if (line.Keyword("PJL") && line.Blanks(1) && line.Keyword("ENTER") && line.Blanks(1) &&
            line.Keyword("LANGUAGE") && line.RestOfSwitch(language)) {
            return Line{static_cast<DWORD>(candidate - bytes),
                        static_cast<DWORD>(line.Position() - candidate)};
        }
        ++candidate;
    }
    return std::nullopt;
}

std::optional<DWORD> PjlLanguageSwitch::MatchRest(const BYTE* bytes, DWORD held,
                                                  std::string_view language) {
    if (language.empty()) {
        return std::nullopt;
    }
    LineReader line(bytes, bytes + held);
    if (!line.RestOfSwitch(language)) {
        return std::nullopt;
    }
    return static_cast<DWORD>(line.Position() - bytes);
}

// The PJL behind a UEL, item by item; the first item that is no PJL makes the UEL document data.
// An item cut short by the end of the bytes held decides nothing while more input is to come.
PjlLanguageSwitch::SectionEnd PjlLanguageSwitch::EndOfSection(const BYTE* bytes, DWORD held,
                                                              bool endOfInput,
                                                              std::string_view language,
                                                              DWORD reach) {
    const SectionEnd cutShort = endOfInput ? SectionEnd::DocumentData : SectionEnd::Undecided;
    PjlItems items(bytes, bytes + held);
    for (;;) {
        const PjlItems::Item item = items.Next();
        if (items.Position() >= bytes + reach) {
            return SectionEnd::DocumentData;
        }
        switch (item) {
            case PjlItems::Item::NotPjl:
                return SectionEnd::DocumentData;
            case PjlItems::Item::CutShort:
                return cutShort;
            case PjlItems::Item::End:
                return endOfInput ? SectionEnd::Ends : SectionEnd::Undecided;
            case PjlItems::Item::PjlLine:
                break;
        }
        const DWORD left = static_cast<DWORD>(bytes + held - items.Position());
        if (Find(items.Position(), 1, left, language)) {
            return SectionEnd::EndsBeforeSwitch;
        }
        if (!items.SkipLine()) {
            return endOfInput ? SectionEnd::Ends : SectionEnd::Undecided;
        }
    }
}

std::optional<PjlLanguageSwitch::Line> PjlLanguageSwitch::FindInPjl(const BYTE* bytes, DWORD count,
                                                                    DWORD held,
                                                                    std::string_view language) {
    PjlItems items(bytes, bytes + held);
    while (items.Next() == PjlItems::Item::PjlLine && items.Position() < bytes + count) {
        const DWORD offset = static_cast<DWORD>(items.Position() - bytes);
        if (const auto line = Find(items.Position(), 1, held - offset, language)) {
            return Line{offset, line->length};
        }
        if (!items.SkipLine()) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}
