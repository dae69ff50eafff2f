// A job with a pass phrase: its encrypted section opens behind the PJL language switch in every
// form the PJL grammar allows, and a job that cannot be encrypted is refused before any of its
// bytes leave.
#include <gtest/gtest.h>

#include "InserterHarness.h"
#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/MeridianDecryption.h"

namespace {
constexpr ULONG kReadSizes[] = {1, 2, 7, 0};
const CXString kPassPhrase(WIDE("secret"));

TEST(LanguageSwitch, EveryFormOfTheGrammarOpensTheSectionRightBehindItsLine) {
    struct Case {
        const char* label;
        LONG pdl;
        std::string line;
        bool itemInFrontOfTheLine;  // a PJL item takes "@PJL ENTER LANGUAGE" of the line first
    };
    const Case cases[] = {
        {"the exact form with CR LF", PdlValue::PostScript, "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n",
         false},
        {"Ghostscript's blanks and LF", PdlValue::PclXl, "@PJL ENTER LANGUAGE = PCLXL\n", false},
        {"lower case", PdlValue::Pdf, "@pjl enter language=pdf\r\n", false},
        {"tabs around \"=\" and behind the name", PdlValue::PostScript,
         "@PJL ENTER LANGUAGE\t=\tPostScript \t\r\n", false},
        {"several blanks between the keywords", PdlValue::PclXl, "@PJL  ENTER\tLANGUAGE=PCLXL\n",
         false},
        {"a split line with blanks", PdlValue::PclXl, "@PJL ENTER LANGUAGE = PCLXL\n", true},
    };
    const std::string body = "document bytes";
    for (const Case& c : cases) {
        for (const ULONG readSize : kReadSizes) {
            InserterJob job;
            job.input = kUel + "@PJL JOB\r\n" + c.line + body + kClosing;
            job.pdl = c.pdl;
            job.passPhrase = kPassPhrase;
            job.readSize = readSize;
            std::string item;
            if (c.itemInFrontOfTheLine) {
                item = "@PJL SET COPIES=2\r\n";
                job.items.emplace_back(BeforePjlEnterLanguage, CXString(item.c_str()));
            }
            EXPECT_EQ(kUel + "@PJL JOB\r\n" + item + c.line + "[" + body + "]!" + kTrailer,
                      RunInserter(job).output)
                << c.label << ", read size " << readSize;
        }
        InserterJob real;
        real.input = kUel + "@PJL JOB\r\n" + c.line + body + kClosing;
        real.pdl = c.pdl;
        real.passPhrase = kPassPhrase;
        real.bracketedEncryption = false;
        const std::string output = RunInserter(real).output;
        EXPECT_EQ(std::string::npos, output.find(body)) << c.label;
        EXPECT_EQ(kUel + "@PJL JOB\r\n" + c.line + body + kTrailer,
                  MeridianDecryption::DecryptStream(output, kPassPhrase))
            << c.label;
    }
}

// One job, two language switches: two encrypted sections, each from its switch to its UEL.
TEST(LanguageSwitch, EachSwitchOpensASectionOfItsOwnAndBothDecrypt) {
    const std::string line = "@PJL ENTER LANGUAGE=PCLXL\r\n";
    InserterJob job;
    job.input = kUel + line + "first document" + kUel + line + "second document" + kClosing;
    job.pdl = PdlValue::PclXl;
    job.passPhrase = kPassPhrase;
    job.bracketedEncryption = false;
    const std::string output = RunInserter(job).output;
    const std::string magic =
        "\x89"
        "CVENC";
    std::size_t sections = 0;
    for (std::size_t at = output.find(magic); at != std::string::npos;
         at = output.find(magic, at + 1)) {
        ++sections;
    }
    EXPECT_EQ(2u, sections);
    EXPECT_EQ(std::string::npos, output.find("document"));
    EXPECT_EQ(kUel + line + "first document" + kUel + line + "second document" + kTrailer,
              MeridianDecryption::DecryptStream(output, kPassPhrase));
}

// A UEL ends the section only where nothing but PJL follows it, up to a switch back into the job's
// language or to the end of the input; behind any other UEL the document goes on encrypted.
TEST(LanguageSwitch, OnlyAUelThatPjlFollowsEndsTheSection) {
    const std::string line = "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n";
    const std::string one = "%!PS\npage-one\n";
    const std::string d(98303, 'd');
    std::string comments;
    for (int i = 0; i < 60; ++i) {
        comments += "@PJL COMMENT " + std::string(985, 'c') + "\r\n";
    }
    const std::string longPjl = comments + comments + comments.substr(0, 20000);
    const std::string pastTheBuffer = kUel + longPjl + line + "page-two\n";
    const std::string pastTheWindow = one + kUel + comments + comments.substr(0, 40000) + line +
                                      "page-two\n" + std::string(40000, 'e');
    struct Case {
        const char* label;
        std::string input;
        std::string expected;  // "[...]" an encrypted block, "[...]!" the last of a section
    };
    const Case cases[] = {
        {"a UEL in a PostScript string on page 1",
         line + "%!PS\n(" + kUel + ") page-one\n" + kClosing,
         line + "[%!PS\n(" + kUel + ") page-one\n]!" + kTrailer},
        {"a second document behind a UEL without PJL",
         line + one + kUel + "%!PS\npage-two\n" + kClosing,
         line + "[" + one + kUel + "%!PS\npage-two\n]!" + kTrailer},
        {"PJL behind the UEL, then the document without a switch",
         line + one + kUel + "@PJL JOB\r\n%!PS\npage-two\n" + kClosing,
         line + "[" + one + kUel + "@PJL JOB\r\n%!PS\npage-two\n]!" + kTrailer},
        {"a switch into another language",
         line + one + kUel +
             "@PJL ENTER LANGUAGE=PCL\r\n\x1b"
             "Epage-two" +
             kClosing,
         line + "[" + one + kUel +
             "@PJL ENTER LANGUAGE=PCL\r\n\x1b"
             "Epage-two]!" +
             kTrailer},
        {"\"@PJL\" run into a word", line + one + kUel + "@PJLpage-two\r\n",
         line + "[" + one + kUel + "@PJLpage-two\r\n]!"},
        {"\"@PJ\" cut short by the input's end", line + one + kUel + "@PJ",
         line + "[" + one + kUel + "@PJ]!"},
        {"a UEL cut short by the input's end", line + one + kUel + "\x1b%-12",
         line + "[" + one + kUel + "\x1b%-12]!"},
        {"a new PJL job that switches back",
         line + one + kUel + "@PJL JOB\r\n@pjl set x=1\n\n" + line + "page-two\n" + kClosing,
         line + "[" + one + "]!" + kUel + "@PJL JOB\r\n@pjl set x=1\n\n" + line + "[page-two\n]!" +
             kTrailer},
        {"a UEL and a line end at the input's end", line + one + kUel + " \r\n",
         line + "[" + one + "]!" + kUel + " \r\n"},
        {"an unended PJL line at the input's end", line + one + kUel + "@PJL EOJ",
         line + "[" + one + "]!" + kUel + "@PJL EOJ"},
        {"PJL behind a UEL on the window's last byte",
         line + d + kUel + "@PJL COMMENT x\r\n" + line + std::string(100000, 'e') + kClosing,
         line + "[" + d + "]!" + kUel + "@PJL COMMENT x\r\n" + line + "[" +
             std::string(100000, 'e') + "]!" + kTrailer},
        {"PJL behind a UEL that runs past the bytes held",
         line + d.substr(0, 90000) + kUel + comments + line + std::string(1000, 'e') + kClosing,
         line + "[" + d.substr(0, 90000) + "][]!" + kUel + comments + line + "[" +
             std::string(1000, 'e') + "]!" + kTrailer},
        {"PJL behind a UEL whose switch lies farther than the window reaches",
         line + pastTheWindow + kClosing,
         line + "[" + pastTheWindow.substr(0, 65536) + "][" + pastTheWindow.substr(65536) + "]!" +
             kTrailer},
        {"PJL longer than the buffer behind a UEL at the window's start",
         line + pastTheBuffer + kClosing,
         line + "[" + pastTheBuffer.substr(0, 65536) + "][" + pastTheBuffer.substr(65536) + "]!" +
             kTrailer},
    };
    for (const Case& c : cases) {
        for (const ULONG readSize : kReadSizes) {
            InserterJob job{.input = c.input, .passPhrase = kPassPhrase, .readSize = readSize};
            EXPECT_EQ(c.expected, RunInserter(job).output) << c.label << ", read size " << readSize;
        }
        InserterJob real{.input = c.input, .passPhrase = kPassPhrase, .bracketedEncryption = false};
        const std::string output = RunInserter(real).output;
        EXPECT_EQ(std::string::npos, output.find("page-")) << c.label << ": sent in the clear";
        std::string finished = c.input;
        if (finished.size() >= kClosing.size() &&
            finished.compare(finished.size() - kClosing.size(), kClosing.size(), kClosing) == 0) {
            finished.replace(finished.size() - kClosing.size(), kClosing.size(), kTrailer);
        }
        EXPECT_EQ(finished, MeridianDecryption::DecryptStream(output, kPassPhrase)) << c.label;
    }
}

TEST(LanguageSwitch, AJobThatCannotBeEncryptedIsRefusedBeforeAnyOfItLeaves) {
    struct Case {
        const char* label;
        LONG pdl;
        std::string input;
        const char* message;
    };
    const char* noSwitch =
        "The job has a pass phrase but no PJL language switch to encrypt after: nothing was sent.";
    const char* noEncryptedForm =
        "The job has a pass phrase but its PDL type cannot be encrypted: nothing was sent.";
    const char* moreThanPjl =
        "The job has a pass phrase but more than PJL stands in front of its PJL language switch: "
        "nothing was sent.";
    const Case cases[] = {
        {"a document in front of a UEL and the switch", PdlValue::PostScript,
         "%!PS\n(DOCSECRET) show showpage\n" + kUel + "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\n",
         moreThanPjl},
        {"the switch in a DSC comment", PdlValue::PostScript,
         "%!PS-Adobe-3.0\n%%Title: x\n% @PJL ENTER LANGUAGE=POSTSCRIPT\r\nshowpage\n", moreThanPjl},
        {"the switch in the middle of a PJL comment line", PdlValue::PclXl,
         kUel + "@PJL COMMENT @PJL ENTER LANGUAGE=PCLXL\r\n) HP-PCL XL", moreThanPjl},
        {"a form feed in front of the switch", PdlValue::Pdf,
         kUel + "\f@PJL ENTER LANGUAGE=PDF\r\n%PDF-1.7\n", moreThanPjl},
        {"PostScript without PJL", PdlValue::PostScript, "%!PS\nshowpage\n", noSwitch},
        {"a PCL switch in a PCL XL job", PdlValue::PclXl,
         kUel + "@PJL ENTER LANGUAGE=PCL\r\n) HP-PCL XL" + kUel, noSwitch},
        {"a name that only begins like the job's", PdlValue::PostScript,
         "@PJL ENTER LANGUAGE=POSTSCRIPT2\r\n%!PS\n", noSwitch},
        {"the switch behind the first window", PdlValue::Pdf,
         std::string(98304, '@') + "@PJL ENTER LANGUAGE=PDF\r\n" + std::string(40000, '%'),
         noSwitch},
        {"PCLm", PdlValue::Pclm, "%PDF-1.3\n%PCLm 1.0\n", noEncryptedForm},
        {"an unknown PDL type", PdlValue::NoneKnown, "@PJL ENTER LANGUAGE=PCL\r\n",
         noEncryptedForm},
    };
    for (const Case& c : cases) {
        for (const bool withPassPhrase : {true, false}) {
            InserterJob job;
            job.input = c.input;
            job.pdl = c.pdl;
            job.items.emplace_back(AtStreamStart, CXString(WIDE("@PJL SET COPIES=2\r\n")));
            job.passPhrase = withPassPhrase ? kPassPhrase : CXString(WIDE(" \t"));
            InserterRun run;
            try {
                RunInserter(job, run);
                EXPECT_FALSE(withPassPhrase) << c.label << ": sent";
                EXPECT_EQ("@PJL SET COPIES=2\r\n" + c.input, run.output)
                    << c.label << ": a blank pass phrase sends the job plain";
            } catch (const CPComException& failure) {
                EXPECT_TRUE(withPassPhrase) << c.label << ": " << failure.getMessage();
                EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), failure.GetHresult()) << c.label;
                EXPECT_EQ(c.message, failure.getMessage()) << c.label;
                EXPECT_EQ(std::vector<std::string>{}, run.blocks) << c.label;
            }
        }
    }
}

TEST(LanguageSwitch, NoStepInFrontOfTheSwitchSendsBytesFromBehindItInTheClear) {
    const std::string document = "%!PS\n(@PJL JOB\r\n@PJL ENTER LANGUAGE) show\n";
    ExpectOutputs({
        {"the fax job line in the document",
         {.input = "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n" + document,
          .items = Items({{AtStreamStart, u"ITEM\n"}}),
          .legacyFax = true,
          .passPhrase = kPassPhrase},
         "ITEM\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n[%!PS\n(][@PJL JOB MODE=DIRECTFAX\r\n]"
         "[@PJL ENTER LANGUAGE) show\n]!"},
        {"an item taken at a switch to another language in front of the job's",
         {.input = "@PJL ENTER LANGUAGE=PCL\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\n",
          .items = Items({{BeforePjlEnterLanguage, u"ITEM\n"}}),
          .passPhrase = kPassPhrase},
         "ITEM\n@PJL ENTER LANGUAGE=PCL\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n[%!PS\n]!"},
        {"an item's marker in the document",
         {.input = "@pjl enter language = postscript\n" + document,
          .items = Items({{BeforePjlEnterLanguage, u"ITEM\n"}}),
          .passPhrase = kPassPhrase},
         "@pjl enter language = postscript\n[%!PS\n(@PJL JOB\r\n][ITEM\n]"
         "[@PJL ENTER LANGUAGE][) show\n]!"},
    });
}
}  // namespace
