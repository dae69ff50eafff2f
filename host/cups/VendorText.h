// The text of our own options (cv-pjl, cv-job-ps, cv-job-ps-comments), which any CUPS or IPP
// client can give: lines that go into the job as they are, so a value that could do more than
// its option is for (end the job's PJL, switch its language, start print data, end its setup) is
// refused with the reason, never cleaned into something the user did not ask for.
#pragma once

#include <string>

class VendorText {
  public:
    // What the lines of an option are: PJL commands in front of the language switch, PostScript
    // code of the job's setup, or DSC comments of its header.
    enum class Syntax { Pjl, PostScript, DscComments };

    // Throws CupsOptionError naming the option `name` when `lines` (the option's lines, their
    // ends made already) holds what its syntax cannot carry.
    static void RefuseUnsafe(const std::string& name, const std::string& lines, Syntax syntax);
};
