// The Atrium hand-off on disk: when it is on, where the job folder goes, what it holds after
// construction and after FinishJob, and what JobSpec.xml and QCPT.ready say.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "FilterPipeline/PDLStreamFilter/CorvoAtriumHelper.h"
#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/Utilities/CPComException.h"
#include "companion/Utilities/CPException.h"
#include "companion/Utilities/UtilitiesLibraryHost.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestSpooler.h"
#include "tests/support/WideText.h"

namespace {
using Names = std::vector<std::string>;

// Paths are compared as the file system sees them: separators may be written either way.
bool IsBelow(const CXString& path, const CXString& folder) {
    const std::string full = NativePath(path).generic_string();
    const std::string prefix = NativePath(folder).generic_string();
    return full.compare(0, prefix.size(), prefix) == 0;
}

class AtriumTest : public ::testing::Test {
  protected:
    // A queue whose "UseCorvoAtrium" is `value` (none when negative).
    static CXString Queue(long value) {
        const CXString queue = TestSpooler::NewPrinter();
        if (value >= 0) {
            TestSpooler::SetPrinterDataDword(queue,
                                             CXString(CorvoAtriumHelper::kPrinterDataValueName),
                                             static_cast<DWORD>(value));
        }
        return queue;
    }
    static std::unique_ptr<CorvoAtriumHelper> Helper(
        const CXString& queue, const CXString& document = CXString(WIDE("Report")),
        DWORD pages = 3) {
        return std::make_unique<CorvoAtriumHelper>(
            document, CXString(WIDE("alice")), CXString(WIDE("CORP")), queue,
            CXString(WIDE("application/postscript")), pages, ComReference<IPrintWriteStream>());
    }
    static void Write(CorvoAtriumHelper& helper, const std::string& bytes) {
        ASSERT_TRUE(helper.GetJobContentFile()->WriteToTheFile(static_cast<DWORD>(bytes.size()),
                                                               bytes.data(), 0xFFFFFFFFu));
    }

    const MsSafeCoInit com;
    const TestProgramData programData;
};

TEST_F(AtriumTest, OnlyTheValueOneTurnsTheHandOffOn) {
    const std::size_t foldersBefore = EntriesOf(programData.DefaultJobsRoot()).size();
    struct Case {
        const char* label;
        long value;
        bool on;
    };
    for (const Case c : {Case{"1", 1, true}, Case{"0", 0, false}, Case{"2", 2, false},
                         Case{"absent", -1, false}}) {
        const auto helper = Helper(Queue(c.value));
        EXPECT_EQ(c.on, helper->UsesAtrium()) << c.label;
        EXPECT_EQ(c.on, helper->GetJobContentFile() != nullptr) << c.label;
        EXPECT_EQ(c.on, !helper->GetJobFolder().IsEmpty()) << c.label;
        if (!c.on) {
            helper->FinishJob(true);
            helper->FinishJob(false);
        }
    }
    EXPECT_EQ(foldersBefore + 1, EntriesOf(programData.DefaultJobsRoot()).size())
        << "one folder, of the job that was on";
    const auto unknownQueue = Helper(CXString(WIDE("no such queue")));
    EXPECT_FALSE(unknownQueue->UsesAtrium());
}

// Jobs started together (the spooler runs pipelines side by side) get folders of their own, each
// named by a GUID and holding its lock and content file from the start.
TEST_F(AtriumTest, EachJobGetsAFolderOfItsOwnWithAnEmptyLockAndTheContentFile) {
    const CXString queue = Queue(1);
    const std::size_t foldersBefore = EntriesOf(programData.DefaultJobsRoot()).size();
    const std::string root = CPString(programData.DefaultJobsRoot()).str();
    std::vector<std::unique_ptr<CorvoAtriumHelper>> helpers;
    for (int i = 0; i < 5; ++i) {
        helpers.push_back(Helper(queue));
        const CXString folder = helpers.back()->GetJobFolder();
        ASSERT_TRUE(IsBelow(folder, programData.DefaultJobsRoot())) << CPString(folder).str();
        const std::string name = CPString(folder).str().substr(root.size());
        EXPECT_TRUE(std::regex_match(
            name,
            std::regex(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}\\)")))
            << name;
        EXPECT_EQ((Names{"JobContent.out", "ready.lck"}), EntriesOf(folder)) << name;
        EXPECT_EQ("", ReadWholeFile(folder + WIDE("ready.lck"))) << name;
    }
    EXPECT_EQ(foldersBefore + 5, EntriesOf(programData.DefaultJobsRoot()).size());
}

TEST_F(AtriumTest, TheSettingsFileNamesTheJobsRoot) {
    const CXString root = programData.Scratch("root");
    const std::string rootText = CPString(root).str();
    const std::string withoutSeparator = rootText.substr(0, rootText.size() - 1);
    const std::string otherText = CPString(programData.Scratch("other-root")).str();
    struct Case {
        const char* label;
        std::string settings;
        CXString expectedRoot;
        std::string diagnostic = "";  // what standard error says of a file that is not used
    };
    const Case cases[] = {
        {"root with separator", "<Settings><RootFolder>" + rootText + "</RootFolder></Settings>",
         root},
        {"root without separator",
         "<Settings><RootFolder>" + withoutSeparator + "</RootFolder></Settings>",
         CXString(Wide(std::u16string(withoutSeparator.begin(), withoutSeparator.end()))) +
             WIDE("\\")},
        {"the first root in document order, below siblings",
         "<?xml version=\"1.0\"?><A><B><C>other</C></B><B><C><RootFolder>" + rootText +
             "</RootFolder></C></B><RootFolder>" + otherText + "</RootFolder></A>",
         root},
        {"empty root", "<Settings><RootFolder></RootFolder></Settings>",
         programData.DefaultJobsRoot()},
        {"not XML", "RootFolder=" + rootText, programData.DefaultJobsRoot(), "not well-formed"},
        {"a document type declaration",
         "<?xml version=\"1.0\"?><!DOCTYPE Settings [<!ENTITY r \"" + rootText +
             "\">]><Settings><RootFolder>&r;</RootFolder></Settings>",
         programData.DefaultJobsRoot(), "a document type declaration is not accepted"},
        {"no RootFolder", "<Settings><Other>x</Other></Settings>", programData.DefaultJobsRoot()},
        {"a relative root", "<Settings><RootFolder>jobs\\here</RootFolder></Settings>",
         programData.DefaultJobsRoot()},
        {"a root that climbs with \"..\"",
         "<Settings><RootFolder>" + rootText + "..\\..\\elsewhere</RootFolder></Settings>",
         programData.DefaultJobsRoot()},
    };
    const CXString queue = Queue(1);
    for (const Case& c : cases) {
        programData.WriteSettings(c.settings);
        testing::internal::CaptureStderr();
        const auto helper = Helper(queue);
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(IsBelow(helper->GetJobFolder(), c.expectedRoot))
            << c.label << ": " << CPString(helper->GetJobFolder()).str();
        EXPECT_EQ(2u, EntriesOf(helper->GetJobFolder()).size()) << c.label;
        EXPECT_EQ(!c.diagnostic.empty(),
                  diagnostics.find("Atrium: the settings file ") != std::string::npos &&
                      diagnostics.find(c.diagnostic) != std::string::npos)
            << c.label << ": " << diagnostics;
    }
}

TEST_F(AtriumTest, FinishingAJobLeavesTheContentTheSpecificationAndTheMarker) {
    const auto helper = Helper(Queue(1), CXString(WIDE("Q3 results & <draft>")), 0);
    Write(*helper, "%!PS\nshowpage\n");
    helper->FinishJob(true);
    const CXString folder = helper->GetJobFolder();
    EXPECT_EQ((Names{"JobContent.out", "JobSpec.xml", "QCPT.ready"}), EntriesOf(folder));
    std::u16string root;
    const auto marker = XmlChildrenInOrder(folder + WIDE("QCPT.ready"), root);
    EXPECT_EQ(u"QCPTJobReady", root);
    EXPECT_EQ((std::vector<std::pair<std::u16string, std::u16string>>{{u"Status", u"Success"}}),
              marker);

    const auto spec = XmlChildrenInOrder(folder + WIDE("JobSpec.xml"), root);
    EXPECT_EQ(u"QCPTJob", root);
    ASSERT_EQ(10u, spec.size());
    const std::vector<std::pair<std::u16string, std::u16string>> expected = {
        {u"QueueName", spec[0].second},
        {u"DocumentName", u"JobContent.ps"},
        {u"DocumentFormat", u"application/postscript"},
        {u"DocumentDisplayName", u"Q3 results & <draft>"},
        {u"ContentType", u"0"},
        {u"Owner", u"alice"},
        {u"DomainName", u"CORP"},
        {u"Pages", u"0"},
        {u"Size", u"14"},
        {u"SubmittedDateTime", spec[9].second}};
    EXPECT_EQ(expected, std::vector(spec.begin(), spec.end()));
    EXPECT_TRUE(std::regex_match(std::string(spec[9].second.begin(), spec[9].second.end()),
                                 std::regex(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.000Z)")));
    EXPECT_NE(std::string::npos,
              ReadWholeFile(folder + WIDE("JobSpec.xml")).find("Q3 results &amp; &lt;draft&gt;"));
}

// Names come from the user and the spooler; characters that XML 1.0 forbids must not make the
// consumer's document unreadable, and U+0000 must not cut a name short. The characters sit on
// the edges of the ranges XML allows.
TEST_F(AtriumTest, NamesWithCharactersXmlForbidsGiveAWellFormedSpecification) {
    const std::u16string name{u'a',   0x1F, u'b',   0x0001, u'c',   0xFFFE, u'd',
                              0x0000, u'e', 0xD800, u'f',   0xDBFF, 0xDFFF, u'\t',
                              u'g',   u' ', 0xD7FF, 0xE000, u'h'};
    const std::u16string expected{u'a',   0xFFFD, u'b',   0xFFFD, u'c',   0xFFFD, u'd',
                                  0xFFFD, u'e',   0xFFFD, u'f',   0xDBFF, 0xDFFF, u'\t',
                                  u'g',   u' ',   0xD7FF, 0xE000, u'h'};
    const auto helper = Helper(Queue(1), WideString(name));
    helper->FinishJob(true);
    const CXString spec = helper->GetJobFolder() + WIDE("JobSpec.xml");
    const std::string bytes = ReadWholeFile(spec);
    EXPECT_EQ(bytes.end(), std::find_if(bytes.begin(), bytes.end(),
                                        [](char c) {
                                            return static_cast<unsigned char>(c) < 0x20 &&
                                                   c != '\t' && c != '\n' && c != '\r';
                                        }))
        << "no control character but tab, LF and CR";
    std::u16string root;
    EXPECT_EQ(expected, XmlChildrenInOrder(spec, root).at(3).second);
}

// A document that cannot be written whole (here: a folder stands where it goes; the file size limit
// is the operation's test) fails the hand-off naming the file, and the folder keeps its lock.
TEST_F(AtriumTest, ADocumentThatCannotBeWrittenWholeKeepsTheLockAndNamesTheFile) {
    struct Case {
        const WCHAR* blocked;
        Names expectedEntries;
    };
    const Case cases[] = {
        {WIDE("JobSpec.xml"), {"JobContent.out", "JobSpec.xml", "ready.lck"}},
        {WIDE("QCPT.ready"), {"JobContent.out", "JobSpec.xml", "QCPT.ready", "ready.lck"}},
    };
    for (const Case& c : cases) {
        const std::string name = CPString(CXString(c.blocked)).str();
        const auto helper = Helper(Queue(1));
        std::filesystem::create_directories(NativePath(helper->GetJobFolder() + c.blocked));
        std::string message;
        try {
            helper->FinishJob(true);
        } catch (const CPException& failure) {
            message = failure.getMessage();
        }
        EXPECT_NE(std::string::npos, message.find("The Atrium job file " + name))
            << name << ": " << message;
        EXPECT_EQ(c.expectedEntries, EntriesOf(helper->GetJobFolder())) << name;
    }
}

// A job folder that cannot be made (a file stands where the jobs root goes) fails the hand-off
// before any byte of the job, naming the folder; no folder is left behind.
TEST_F(AtriumTest, AJobFolderThatCannotBeMadeIsNamedBeforeAnyByteOfTheJob) {
    const CXString scratch = programData.Scratch("blocked");
    std::ofstream(NativePath(scratch + WIDE("file"))) << "x";
    const std::string root = CPString(scratch).str() + "file\\jobs";
    programData.WriteSettings("<Settings><RootFolder>" + root + "</RootFolder></Settings>");
    std::string message;
    try {
        Helper(Queue(1));
    } catch (const CPException& failure) {
        message = failure.getMessage();
    }
#if defined(_WIN32)
    const std::string shown = root + "\\{";
#else
    // The folder as Linux names it: the separators the filter writes are a Windows form.
    const std::string shown = (NativePath(scratch) / "file" / "jobs").string() + "/{";
    EXPECT_EQ(std::string::npos, message.find('\\')) << message;
#endif
    EXPECT_EQ(0u, message.find("The Atrium job folder " + shown)) << message;
    EXPECT_NE(std::string::npos, message.find("cannot be created or written")) << message;
    EXPECT_EQ(Names{"file"}, EntriesOf(scratch));
}

// A failed job is marked with what was written so far; a second finish (the driver's failure path
// after a finish that threw) rewrites the documents and a lock already gone is no error.
TEST_F(AtriumTest, AFailedJobIsMarkedFailedWithTheSizeWrittenSoFar) {
    struct Case {
        const char* label;
        std::size_t written;
        bool finishedBefore;
    };
    for (const Case& c :
         {Case{"failed at once", 1000, false}, Case{"failed after a finish", 0, true}}) {
        const auto helper = Helper(Queue(1));
        Write(*helper, std::string(c.written, 'x'));
        if (c.finishedBefore) {
            helper->FinishJob(true);
        }
        helper->FinishJob(false);
        std::u16string root;
        EXPECT_EQ(
            u"Failed",
            XmlChildrenInOrder(helper->GetJobFolder() + WIDE("QCPT.ready"), root).at(0).second)
            << c.label;
        EXPECT_EQ(
            Utf16(CXString(std::to_string(c.written).c_str())),
            XmlChildrenInOrder(helper->GetJobFolder() + WIDE("JobSpec.xml"), root).at(8).second)
            << c.label;
        EXPECT_EQ((Names{"JobContent.out", "JobSpec.xml", "QCPT.ready"}),
                  EntriesOf(helper->GetJobFolder()))
            << c.label;
    }
}

#if !defined(_WIN32)
TEST_F(AtriumTest, WithoutACommonApplicationDataFolderAHandOffFailsAndNothingIsPrinted) {
    CvSetProgramDataFolder(nullptr);
    const char* environment = std::getenv("PROGRAMDATA");
    const std::string saved = environment != nullptr ? environment : "";
    unsetenv("PROGRAMDATA");
    std::string message;
    HRESULT result = S_OK;
    try {
        Helper(Queue(1));
    } catch (const CPComException& failure) {
        message = failure.getMessage();
        result = failure.GetHresult();
    }
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), result) << message;
    EXPECT_NE(std::string::npos, message.find("the common application data folder that holds it "
                                              "is unknown: nothing of the job was delivered"))
        << message;
    EXPECT_FALSE(Helper(Queue(0))->UsesAtrium()) << "a printer without the hand-off prints";
    if (environment != nullptr) {
        setenv("PROGRAMDATA", saved.c_str(), 1);
    }
}
#endif

TEST(SubmittedDateTime, IsUtcInIsoFormWithZeroMilliseconds) {
    struct Case {
        SYSTEMTIME time;
        std::u16string expected;
    };
    const Case cases[] = {
        {{2024, 3, 2, 5, 7, 8, 9, 456}, u"2024-03-05T07:08:09.000Z"},
        {{2024, 12, 2, 31, 23, 59, 59, 999}, u"2024-12-31T23:59:59.000Z"},
        {{2024, 2, 4, 29, 0, 0, 0, 0}, u"2024-02-29T00:00:00.000Z"},
        {{2024, 13, 0, 5, 7, 8, 9, 0}, u""},
        {{2024, 3, 2, 5, 24, 0, 0, 0}, u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Utf16(CorvoAtriumHelper::FormatSubmittedDateTime(c.time)))
            << c.time.wYear << "-" << c.time.wMonth << "-" << c.time.wDay << " " << c.time.wHour;
    }
}
}  // namespace
