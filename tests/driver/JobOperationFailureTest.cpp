// How a job fails through the module's exports: the HRESULT and error record the pipeline
// manager receives, what stays in the output, and the Atrium job folder's status. Also the
// print-ready file passed in an XPS wrapper and the job without a driver property bag.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "FilterPipeline/PDLStreamFilter/PdlValue.h"
#include "OperationHarness.h"
#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "tests/support/JobText.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WideText.h"

#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

namespace {
const std::string kJob =
    "\x1b%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS-Adobe-3.0\n%%EOF\n";

std::u16string TextOf(const CXString& path, const char16_t* element) {
    const auto children = XmlChildrenOf(path);
    const auto found = children.find(element);
    return found != children.end() ? found->second : u"(none)";
}

class JobOperationFailure : public ::testing::Test {
  protected:
    std::u16string NewJobStatus() { return NewJobStatus(jobFolders.NewFolder()); }
    // The status in the folder's QCPT.ready; "locked" while its lock stands without one.
    static std::u16string NewJobStatus(const CXString& folder) {
        if (folder.Find(WIDE('\\')) < 0) {
            return Utf16(folder);
        }
        const bool locked =
            std::filesystem::exists(NativePath(folder + CXString(WIDE("ready.lck"))));
        const bool ready =
            std::filesystem::exists(NativePath(folder + CXString(WIDE("QCPT.ready"))));
        if (locked == ready) {
            return locked ? u"locked, yet marked ready" : u"neither locked nor ready";
        }
        return locked ? u"locked" : TextOf(folder + CXString(WIDE("QCPT.ready")), u"Status");
    }
    const MsSafeCoInit com;
    const TestProgramData programData;
    JobFolderWatch jobFolders{programData.DefaultJobsRoot()};
};

TEST_F(JobOperationFailure, EachFailurePointGivesItsHresultMessageAndFolderState) {
    struct Case {
        const char* label;
        int failingRead;
        HRESULT seekResult;
        int failingWrite;
        bool atrium;
        HRESULT expected;
        std::string message;
        std::u16string status;
        bool driverBag = true;
        std::string output;  // what the pipeline got; "(any)" unchecked
    };
    const HRESULT denied = static_cast<HRESULT>(0x80070005);
    const HRESULT deviceFailure = static_cast<HRESULT>(0x8007001F);
    const Case cases[] = {
        {"first read fails: before the hand-off exists", 1, S_OK, 0, true, E_FAIL,
         "Reading the first bytes of the print stream failed with 0x80004005.", u"none", true, ""},
        {"rewind fails after the hand-off is on", 0, denied, 0, true, denied,
         "Rewinding the print stream to its start failed with 0x80070005.", u"Failed", true, ""},
        {"ticket write fails in the pipeline", 0, S_OK, 1, false, deviceFailure,
         "Failed writing QPIF into the print stream. Expected to write 7 bytes. Bytes written is "
         "0.",
         u"none", true, ""},
        {"the copy's read fails: its exception passes unchanged", 2, S_OK, 0, true, E_FAIL, "",
         u"Failed", true, "(any)"},
        {"no driver property bag: only the direct ticket goes out", 0, S_OK, 0, false, E_FAIL,
         "The driver property bag is not available: the job cannot be copied.", u"none", false,
         "<QCPT/>"},
    };
    for (const Case& c : cases) {
        OperationHarness job;
        if (c.atrium) {
            job.TurnAtriumOn();
        }
        if (c.driverBag) {
            job.AddDriverBag(PdlValue::PostScript);
        }
        job.SetProperty(u"Corvo_QcptForNonXps", u"<QCPT/>");
        job.readerFaults.failingRead = c.failingRead;
        job.readerFaults.seekResult = c.seekResult;
        job.writer->failingWrite = c.failingWrite;
        job.writer->failingWriteResult = deviceFailure;
        const OperationOutcome outcome = job.Run(kJob);

        EXPECT_EQ(c.expected, outcome.result) << c.label;
        ASSERT_EQ(std::vector<HRESULT>{c.expected}, outcome.shutdownReasons) << c.label;
        ASSERT_EQ(1u, outcome.shutdownDescriptions.size()) << c.label;
        if (!c.message.empty()) {
            EXPECT_EQ(c.message, outcome.shutdownDescriptions.front()) << c.label;
        }
        EXPECT_EQ(std::vector<std::string>{"CPComException"}, outcome.shutdownSources)
            << c.label << ": the error record's source is the failure's kind";
        EXPECT_EQ(c.status, NewJobStatus()) << c.label;
        EXPECT_EQ(1, outcome.writerCloses) << c.label;
        if (c.output != "(any)") {
            EXPECT_EQ(c.output, outcome.output) << c.label;
        }
    }
}

#if !defined(_WIN32)
// The content file cannot grow past the process's file size limit, while the small JobSpec.xml
// and QCPT.ready still fit under it.
TEST_F(JobOperationFailure, AJobFolderThatCannotTakeItsBytesFailsTheJob) {
    struct Case {
        const char* label;
        std::size_t ticketSize;
        std::size_t bodySize;
        std::size_t documentNameSize;
        HRESULT expected;
        std::string message;
        std::u16string status;
        std::string stage;  // where the account says the job failed
    };
    const HRESULT tooLarge = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    const Case cases[] = {
        {"the direct ticket: the OS error, as for the copy's blocks", 20000, 0, 8, tooLarge,
         "Failed writing QPIF into the print stream. Expected to write 20000 bytes. Bytes "
         "written is 0.",
         u"Failed", "direct ticket"},
        {"a block in the middle of the copy", 0, 300000, 8, tooLarge,
         "CPComException: delivering the print stream failed", u"Failed", "copy"},
        {"JobSpec.xml at the end", 0, 0, 20000, tooLarge,
         "The Atrium job file JobSpec.xml cannot be written: the job folder keeps its lock, so no "
         "consumer takes it.",
         u"locked", "Atrium completion"},
    };
    for (const Case& c : cases) {
        OperationHarness job(CXString(), WideString(std::u16string(c.documentNameSize, u'D')));
        job.TurnAtriumOn();
        job.AddAccountSink();
        job.AddDriverBag(PdlValue::PostScript);
        if (c.ticketSize != 0) {
            job.SetProperty(u"Corvo_QcptForNonXps", std::u16string(c.ticketSize, u'T'));
        }
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = 8192;
        setrlimit(RLIMIT_FSIZE, &limited);
        const OperationOutcome outcome = job.Run(kJob + std::string(c.bodySize, 'x'));
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);

        EXPECT_EQ(c.expected, outcome.result) << c.label;
        ASSERT_EQ(1u, outcome.shutdownDescriptions.size()) << c.label;
        EXPECT_EQ(c.message, outcome.shutdownDescriptions.front()) << c.label;
        EXPECT_EQ(c.status, NewJobStatus()) << c.label;
        ASSERT_LE(2u, outcome.account.size()) << c.label;
        const auto failure = nlohmann::json::parse(outcome.account.end()[-2]);
        EXPECT_EQ(c.stage, failure["stage"]) << c.label << ": " << failure.dump();
    }
}
#endif

TEST_F(JobOperationFailure, APrintReadyFileInAnXpsWrapperIsPassedThroughAndDeleted) {
    const std::string pdf = "%PDF-1.7\n1 0 obj << >> endobj\n%%EOF\n";
    OperationHarness job;
    job.AddDriverBag(PdlValue::PostScript);
    const CXString path = programData.PrintReadyFile(pdf);
    job.SetProperty(u"XPS_FP_FILESPEC_FOR_TEMP_COPY_OF_PRINT_READY_FILE_PASSED_IN_XPS_WRAPPER",
                    Utf16(path));
    job.SetProperty(u"Corvo_QcptForNonXps", u"<QCPT/>");
    job.SetProperty(u"Corvo_PjlToInsert", u"@PJL SET COPIES=2\r\n");
    job.SetProperty(u"RemoveNativeStaplingFlag", u"");
    const OperationOutcome outcome = job.Run("the pipeline's own stream, not copied");

    ASSERT_EQ(S_OK, outcome.result);
    EXPECT_EQ("<QCPT/>@PJL ENTER LANGUAGE=PDF\r\n" + pdf + kTrailer, outcome.output)
        << "no item is written on this path";
    EXPECT_FALSE(std::filesystem::exists(NativePath(path))) << "the temporary file is deleted";
    ASSERT_LE(3u, outcome.impersonating.size());
    EXPECT_TRUE(outcome.impersonating.front()) << "the ticket is written as the user";
    for (std::size_t i = 1; i < outcome.impersonating.size(); ++i) {
        EXPECT_FALSE(outcome.impersonating[i]) << "pass-through write " << i;
    }
}

// The print-ready path comes from a property: whatever it names that is not a regular file fails
// the job before a byte is read, and is left where it is.
TEST_F(JobOperationFailure, APrintReadyPathThatIsNoRegularFileFailsTheJobAndIsNeverDeleted) {
    struct Case {
        const char* label;
        const char* name;
        HRESULT expected;
    };
    const HRESULT badType = HRESULT_FROM_WIN32(ERROR_BAD_FILE_TYPE);
    std::vector<Case> cases = {
        {"a directory", "folder", badType},
        {"a missing file", "missing.pdf", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)}};
    const CXString folder = programData.Scratch("not-regular");
    std::filesystem::create_directories(NativePath(folder + CXString(WIDE("folder"))));
#if !defined(_WIN32)
    const std::filesystem::path target =
        NativePath(programData.PrintReadyFile("%PDF-1.7\n%%EOF\n"));
    std::filesystem::create_symlink(target, NativePath(folder + CXString(WIDE("link.pdf"))));
    mkfifo(NativePath(folder + CXString(WIDE("fifo.pdf"))).c_str(), 0600);
    cases.push_back({"a symbolic link to a regular file", "link.pdf", badType});
    cases.push_back({"a FIFO without a writer", "fifo.pdf", badType});
#endif
    for (const Case& c : cases) {
        const CXString path = folder + CXString(c.name);
        OperationHarness job;
        job.AddDriverBag(PdlValue::PostScript);
        job.SetProperty(u"XPS_FP_FILESPEC_FOR_TEMP_COPY_OF_PRINT_READY_FILE_PASSED_IN_XPS_WRAPPER",
                        Utf16(path));
        const OperationOutcome outcome = job.Run("the pipeline's own stream");

        EXPECT_EQ(c.expected, outcome.result) << c.label;
        EXPECT_EQ("", outcome.output) << c.label;
        EXPECT_EQ(c.expected != badType,
                  !std::filesystem::exists(std::filesystem::symlink_status(NativePath(path))))
            << c.label << ": what the path names stays";
    }
#if !defined(_WIN32)
    EXPECT_TRUE(std::filesystem::exists(target)) << "the link's target stays";
#endif
}

TEST_F(JobOperationFailure, TheClientJobDataGivesAPrintReadyFileItsTypeAndPages) {
    struct Case {
        const char* label;
        std::u16string clientJobData;
        std::u16string format;
        std::u16string pages;
    };
    const Case cases[] = {
        {"PDF of 3 pages", u"601=3;603=8635", u"application/pdf", u"3"},
        {"PCLm", u" 603 = 8636 ; 601=40", u"application/pclm", u"40"},
        {"an unknown file type", u"603=8629;601=2", u"", u"2"},
        {"no client job data", u"", u"", u"0"},
        {"a page count below zero is none", u"603=8635;601=-4", u"application/pdf", u"0"},
    };
    for (const Case& c : cases) {
        OperationHarness job;
        job.TurnAtriumOn();
        const CXString path = programData.PrintReadyFile("%PDF-1.7\n%%EOF\n");
        job.SetProperty(u"XPS_FP_FILESPEC_FOR_TEMP_COPY_OF_PRINT_READY_FILE_PASSED_IN_XPS_WRAPPER",
                        Utf16(path));
        if (!c.clientJobData.empty()) {
            job.SetProperty(u"Corvo_ClientJobData2", c.clientJobData);
        }
        VARIANT pages;
        VariantInit(&pages);
        pages.vt = VT_I4;
        pages.lVal = 99;
        job.SetProperty(u"TotalPagedRenderedInPdlOutput", pages);
        ASSERT_EQ(S_OK, job.Run("").result) << c.label;
        const CXString folder = jobFolders.NewFolder();
        EXPECT_EQ(c.format, TextOf(folder + CXString(WIDE("JobSpec.xml")), u"DocumentFormat"))
            << c.label;
        EXPECT_EQ(c.pages, TextOf(folder + CXString(WIDE("JobSpec.xml")), u"Pages")) << c.label;
        EXPECT_EQ("@PJL ENTER LANGUAGE=PDF\r\n%PDF-1.7\n%%EOF\n" + kTrailer,
                  ReadWholeFile(folder + CXString(WIDE("JobContent.out"))))
            << c.label;
    }
}

TEST_F(JobOperationFailure, ACancelledJobStopsAtItsNextCycleAndNothingMoreLeaves) {
    struct Case {
        const char* label;
        bool atrium;
        bool printReadyFile;
        OperationHarness::Cancellation cancellation;
        HRESULT expected;
        int reads;  // what the read stream saw in all; -1: not checked
        std::u16string status;
    };
    const HRESULT cancelled = HRESULT_FROM_WIN32(ERROR_CANCELLED);
    const Case cases[] = {
        {"the copy, during its second read", false, false, {3, 0}, cancelled, 3, u"none"},
        {"the copy into an Atrium folder", true, false, {3, 0}, cancelled, 3, u"Failed"},
        {"the pass-through, during its first block", false, true, {0, 2}, cancelled, -1, u"none"},
        {"before the operation started",
         false,
         false,
         {.beforeStart = true},
         cancelled,
         0,
         u"none"},
        {"after the operation finished", true, false, {-1, 0}, S_OK, -1, u"Success"},
    };
    const std::string body(400000, 'x');
    for (const Case& c : cases) {
        OperationHarness job;
        if (c.atrium) {
            job.TurnAtriumOn();
        }
        job.AddDriverBag(PdlValue::PostScript);
        if (c.printReadyFile) {
            job.SetProperty(
                u"XPS_FP_FILESPEC_FOR_TEMP_COPY_OF_PRINT_READY_FILE_PASSED_IN_XPS_WRAPPER",
                Utf16(programData.PrintReadyFile("%PDF-1.7\n" + body)));
        }
        job.cancellation = c.cancellation;
        const OperationOutcome outcome = job.Run(kJob + body);

        EXPECT_EQ(c.expected, outcome.result) << c.label;
        EXPECT_EQ(S_OK, outcome.shutdownAnswer) << c.label;
        if (c.reads >= 0) {
            EXPECT_EQ(c.reads, outcome.reads) << c.label << ": nothing is read after the request";
        }
        if (c.expected == cancelled) {
            EXPECT_EQ(outcome.blocksAtShutdown, static_cast<int>(outcome.blocks.size()))
                << c.label << ": nothing is delivered after the request";
            ASSERT_EQ(1u, outcome.shutdownDescriptions.size()) << c.label;
            EXPECT_EQ("The job was cancelled: nothing more was read or sent.",
                      outcome.shutdownDescriptions.front())
                << c.label;
        } else if (!c.atrium) {
            EXPECT_EQ(kJob.size() + body.size(), outcome.output.size()) << c.label;
        }
        EXPECT_EQ(1, outcome.writerCloses) << c.label;
        const CXString folder = jobFolders.NewFolder();
        EXPECT_EQ(c.status, NewJobStatus(folder)) << c.label;
        if (c.atrium) {
            EXPECT_FALSE(std::filesystem::exists(NativePath(folder + CXString(WIDE("ready.lck")))))
                << c.label << ": the lock is removed";
        }
    }
}

// cupsd stops a cancelled job's backend with its filter: the write into the backend's pipe fails
// as the request comes, and the job ends as cancelled, not as a device fault.
TEST_F(JobOperationFailure, AWriteThatFailsAsTheCancellationComesEndsTheJobAsCancelled) {
    struct Case {
        const char* label;
        bool printReadyFile;
        int write;  // the write during which the request comes, and which then fails
    };
    const Case cases[] = {
        {"the copy, its second write", false, 2},
        {"the pass-through, its first block", true, 1},
    };
    const std::string body(400000, 'x');
    for (const Case& c : cases) {
        OperationHarness job;
        job.AddDriverBag(PdlValue::PostScript);
        if (c.printReadyFile) {
            job.SetProperty(
                u"XPS_FP_FILESPEC_FOR_TEMP_COPY_OF_PRINT_READY_FILE_PASSED_IN_XPS_WRAPPER",
                Utf16(programData.PrintReadyFile("%PDF-1.7\n" + body)));
        }
        job.cancellation.duringWrite = c.write;
        job.writer->failingWrite = c.write;
        job.writer->failingWriteResult = HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);
        const OperationOutcome outcome = job.Run(kJob + body);

        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CANCELLED), outcome.result) << c.label;
        ASSERT_EQ(1u, outcome.shutdownDescriptions.size()) << c.label;
        EXPECT_EQ("The job was cancelled: nothing more was read or sent.",
                  outcome.shutdownDescriptions.front())
            << c.label;
        EXPECT_EQ(static_cast<std::size_t>(c.write - 1), outcome.blocks.size())
            << c.label << ": nothing is written after the failed write";
    }
}

}  // namespace
