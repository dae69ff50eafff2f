// The PJL line that switches a printer to the job's language, in every form the PJL grammar allows:
// "@PJL", blanks, "ENTER", blanks, "LANGUAGE", optional blanks, "=", optional blanks, the language
// name, optional blanks, then LF or CR LF; keywords and name in any case. The encrypted section of
// a job with a pass phrase starts with the byte behind that line, and ends only at a UEL that PJL
// follows.
#pragma once

#include <optional>
#include <string_view>

#include "seam/Win32Seam.h"

class PjlLanguageSwitch {
  public:
    struct Line {
        DWORD offset;
        DWORD length;
        DWORD End() const noexcept { return offset + length; }
    };

    // The name a switch to the PDL type's language carries; empty for the types that have no
    // encrypted form (PCLm, XPS, unknown ones).
    static std::string_view LanguageName(LONG pdlType);

    // The first switch to `language` whose "@" lies at an offset from 0 to `count` - 1 and whose
    // line end lies among the `held` bytes.
    static std::optional<Line> Find(const BYTE* bytes, DWORD count, DWORD held,
                                    std::string_view language);

    // The first switch to `language` that the job's PJL reaches from the front of `bytes`: only
    // UELs, "@PJL" lines, blanks and line ends stand in front of it, it starts a line, its "@"
    // lies at an offset from 0 to `count` - 1 and its line end among the `held` bytes.
    static std::optional<Line> FindInPjl(const BYTE* bytes, DWORD count, DWORD held,
                                         std::string_view language);

    // The length of the rest of a switch to `language` at the front of `bytes`, behind an
    // "@PJL ENTER LANGUAGE" that was taken already: from the blanks in front of "=" up to and
    // including the line end.
    static std::optional<DWORD> MatchRest(const BYTE* bytes, DWORD held, std::string_view language);

    enum class SectionEnd { Ends, EndsBeforeSwitch, DocumentData, Undecided };
    // Whether the UEL at the front of the `held` bytes ends the encrypted section. It does only
    // where nothing but PJL follows it (UELs, "@PJL" lines, blanks and line ends) up to a switch
    // back into `language` (EndsBeforeSwitch: a section of the job follows) or to the end of the
    // input (Ends: the job's last): whatever else stands behind a UEL is the document's own data
    // and stays encrypted. Undecided while that PJL runs past the bytes held and more input is to
    // come. PJL whose items run `reach` bytes or more from the UEL is the document's too: the copy
    // looks for the switch that reopens the section only that far, and a section closed before a
    // switch it would not see would send the rest of the job in the clear.
    static SectionEnd EndOfSection(const BYTE* bytes, DWORD held, bool endOfInput,
                                   std::string_view language, DWORD reach);
};
