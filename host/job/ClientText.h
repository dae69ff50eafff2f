// Text a client or a document controls (a job's name, its user's name), made fit for the syntax
// it enters, so that no IPP client or CUPS job can write a line, a UEL or a command of its own
// into a document the hosts generate, or a name longer than its reader takes.
#pragma once

#include <cstddef>
#include <string>

class ClientText {
  public:
    // The text of a DSC comment such as "%%Title: ": one line whose comment stays within DSC's
    // 255 bytes a line, with no "%%" (which readers would take for a comment of its own).
    static std::string DscCommentText(const std::string& text);
    // A name the job gives the spooler (its document, its user), which reaches the Atrium
    // hand-off's JobSpec.xml and the job's account.
    static std::string SpoolerName(const std::string& text);

    static constexpr std::size_t kDscCommentTextLimit = 200;
    static constexpr std::size_t kSpoolerNameLimit = 255;

    // UTF-8 throughout (a byte that is no part of a character becomes U+FFFD), every control
    // character (line ends, ESC, C1) a blank, cut at `limit` bytes where a character begins.
    static std::string OneLine(const std::string& text, std::size_t limit);
};
