// One job through the module's exports and the pipeline's interfaces: which settings reach the
// output and the Atrium job folder, the order and places of the insertion items, and the ticket
// written straight into the output.
#include <gtest/gtest.h>

#include <string>

#include "FilterPipeline/PDLStreamFilter/PdlValue.h"
#include "OperationHarness.h"
#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "tests/support/JobText.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WideText.h"

namespace {
const std::string kPostScriptJob =
    "\x1b%-12345X@PJL JOB\r\n"
    "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n"
    "%!PS-Adobe-3.0\n"
    "%%Title: quarterly.ps\n"
    "%%EndComments\n"
    "%%BeginSetup\n"
    "%%EndSetup\n"
    "%%Page: 1 1\n"
    "showpage\n"
    "%%EOF\n";

class JobOperation : public ::testing::Test {
  protected:
    const MsSafeCoInit com;
    const TestProgramData programData;
    JobFolderWatch jobFolders{programData.DefaultJobsRoot()};
};

TEST_F(JobOperation, TheListFollowsTheProductFlags) {
    struct Case {
        const char* label;
        JobFile::Driver driver;  // the product flags; the loop sets the PDL
        std::string expectedStart;
    };
    const std::string pjl = "@PJL SET COPIES=2\r\n";
    const std::string ticket = "<QCPT/>";
    const std::string eoj = kUel + "@PJL EOJ\r\n";
    const std::string job = kUel + "@PJL JOB\r\n";
    const Case cases[] = {
        {"plain: PJL before the language line, ticket written directly",
         {},
         ticket + job + pjl + "@PJL ENTER"},
        {"full QPIF alone: no items, the ticket still goes directly",
         {.fullQpifSupported = true},
         ticket + job + "@PJL ENTER"},
        {"both PJL and ticket: PJL then ticket at the stream's start",
         {.requiresBothPjlAndQcpt = true},
         pjl + ticket + job + "@PJL ENTER"},
        {"both, with full QPIF: items all the same",
         {.fullQpifSupported = true, .requiresBothPjlAndQcpt = true},
         pjl + ticket + job + "@PJL ENTER"},
        {"green separator fix-up: the EOJ text first of the stream",
         {.requiresGreenSeparatorPageFixUp = true},
         ticket + eoj + job + pjl + "@PJL ENTER"},
        {"both and fix-up: PJL, EOJ, ticket",
         {.requiresGreenSeparatorPageFixUp = true, .requiresBothPjlAndQcpt = true},
         pjl + eoj + ticket + job + "@PJL ENTER"},
    };
    for (const Case& c : cases) {
        OperationHarness operation;
        JobFile::Driver driver = c.driver;
        driver.pdl = PdlValue::PostScript;
        operation.AddDriverBag(driver);
        operation.SetProperty(u"Corvo_PjlToInsert", u"@PJL SET COPIES=2\r\n");
        operation.SetProperty(u"Corvo_QcptForNonXps", u"<QCPT/>");
        operation.SetProperty(u"Corvo_JobLevelPsCommentsToInsert", u"%%For: alice\n");
        const OperationOutcome outcome = operation.Run(kPostScriptJob);
        ASSERT_EQ(S_OK, outcome.result) << c.label;
        EXPECT_EQ(c.expectedStart, outcome.output.substr(0, c.expectedStart.size())) << c.label;
        const bool commentsExpected = !driver.fullQpifSupported || driver.requiresBothPjlAndQcpt;
        EXPECT_EQ(commentsExpected, outcome.output.find("%%For: alice\n") != std::string::npos)
            << c.label;
    }
}

// The product's page-level PostScript reaches the page features only where the product flags say
// the driver's own data decides: which generator's code a page gets.
TEST_F(JobOperation, TheProductFlagsChooseThePageFeaturesGenerator) {
    struct Case {
        const char* label;
        JobFile::Driver driver;  // the product flags; the loop sets the PDL
        bool productCode;
        bool builtInDuplex;
        bool builtInColor;
    };
    const Case cases[] = {
        {"none of them: the product's code alone", {}, true, false, false},
        {"QFCI compliant: the built-in code",
         {.printStreamQFCICompliant = true},
         false,
         true,
         true},
        {"full QPIF: the built-in code", {.fullQpifSupported = true}, false, true, true},
        {"both PJL and ticket: the product's code, else the built-in",
         {.requiresBothPjlAndQcpt = true},
         true,
         false,
         true},
        {"all of them: the product's code, else the built-in",
         {.printStreamQFCICompliant = true,
          .fullQpifSupported = true,
          .requiresBothPjlAndQcpt = true},
         true,
         false,
         true},
    };
    const std::string job = "%!PS\n%%Page: 1 1\n%%BeginPageSetup\nold\n%%EndPageSetup\np1\n";
    for (const Case& c : cases) {
        OperationHarness operation;
        JobFile::Driver driver = c.driver;
        driver.pdl = PdlValue::PostScript;
        driver.productPdlDataXml =
            "<ProductPdlData><Feature name=\"Duplex\"><Option name=\"TwoSidedLongEdge\">"
            "PRODUCT-DUPLEX</Option></Feature></ProductPdlData>";
        operation.AddDriverBag(driver);
        operation.SetProperty(u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1",
                              u"Duplex=TwoSidedLongEdge:ColorMode=Monochrome");
        const OperationOutcome outcome = operation.Run(job);
        ASSERT_EQ(S_OK, outcome.result) << c.label;
        const auto holds = [&outcome](const char* text) {
            return outcome.output.find(text) != std::string::npos;
        };
        EXPECT_EQ(c.productCode, holds("PRODUCT-DUPLEX")) << c.label;
        EXPECT_EQ(c.builtInDuplex, holds("<< /Duplex true /Tumble false >>")) << c.label;
        EXPECT_EQ(c.builtInColor, holds("/ProcessColorModel /DeviceGray")) << c.label;
    }
}

// The EOJ text needs family 8430, full QPIF and a separator page together; on PCL XL the green
// separator fix-up also needs the separator page.
TEST_F(JobOperation, TheDirectTicketCarriesItsPjlPrefixes) {
    struct Case {
        const char* label;
        JobFile::Driver driver;  // the product flags; the loop sets the PDL
        bool separatorPage;
        std::string expectedStart;
        LONG pdl = PdlValue::PostScript;
    };
    const std::string ticket = "<QCPT version=\"1\">\xc3\xa9</QCPT>";
    const std::string job = kUel + "@PJL JOB\r\n";
    const std::string eoj = "\r\n" + kUel + "@PJL EOJ\r\n";
    const JobFile::Driver family8430 = {.fullQpifSupported = true, .controllerFamily = 8430};
    const Case cases[] = {
        {"neither", {}, false, ticket + job},
        {"QFCI compliant: the JOB text first",
         {.printStreamQFCICompliant = true},
         false,
         job + ticket + job},
        {"family 8430, full QPIF, separator page: the EOJ text first", family8430, true,
         eoj + ticket + job},
        {"all of them: EOJ, JOB, ticket",
         {.printStreamQFCICompliant = true, .fullQpifSupported = true, .controllerFamily = 8430},
         true,
         eoj + job + ticket + job},
        {"family 8430 without a separator page", family8430, false, ticket + job},
        {"family 8430 and a separator page without full QPIF",
         {.controllerFamily = 8430},
         true,
         ticket + job},
        {"another family",
         {.fullQpifSupported = true, .controllerFamily = 8431},
         true,
         ticket + job},
        {"PCL XL fix-up without a separator page",
         {.requiresGreenSeparatorPageFixUp = true},
         false,
         ticket + job,
         PdlValue::PclXl},
        {"PCL XL fix-up with a separator page",
         {.requiresGreenSeparatorPageFixUp = true},
         true,
         ticket + kUel + "@PJL EOJ\r\n" + job,
         PdlValue::PclXl},
    };
    for (const Case& c : cases) {
        OperationHarness operation(c.separatorPage ? CXString(WIDE("sysprint.sep")) : CXString());
        JobFile::Driver driver = c.driver;
        driver.pdl = c.pdl;
        operation.AddDriverBag(driver);
        operation.SetProperty(u"Corvo_QcptForNonXps", u"<QCPT version=\"1\">\u00e9</QCPT>");
        const OperationOutcome outcome = operation.Run(kPostScriptJob);
        ASSERT_EQ(S_OK, outcome.result) << c.label;
        ASSERT_FALSE(outcome.blocks.empty()) << c.label;
        EXPECT_EQ(c.expectedStart.substr(0, c.expectedStart.find(ticket) + ticket.size()),
                  outcome.blocks.front())
            << c.label << ": the ticket and its prefixes are one write of their own";
        EXPECT_EQ(c.expectedStart, outcome.output.substr(0, c.expectedStart.size())) << c.label;
    }
}

TEST_F(JobOperation, AnXpsDriverReadsNoTicketAndOtherPdlsAreCopiedAsTheyAre) {
    struct Case {
        const char* label;
        LONG pdl;
        bool ticketExpected;
    };
    for (const Case c : {Case{"XPS", PdlValue::Xps, false}, Case{"unknown PDL", 5001, true},
                         Case{"PCL XL", PdlValue::PclXl, true}}) {
        OperationHarness job;
        job.AddDriverBag(c.pdl);
        job.SetProperty(u"Corvo_QcptForNonXps", u"<QCPT/>");
        const OperationOutcome outcome = job.Run("plain bytes of no language");
        ASSERT_EQ(S_OK, outcome.result) << c.label;
        const std::string expected =
            (c.ticketExpected ? "<QCPT/>" : "") + std::string("plain bytes of no language");
        EXPECT_EQ(expected, outcome.output.substr(0, expected.size())) << c.label;
    }
}

TEST_F(JobOperation, TheAtriumJobFolderDescribesTheJobFromSpoolerUserAndProperties) {
    OperationHarness job;
    job.TurnAtriumOn();
    job.AddDriverBag(PdlValue::PostScript);
    VARIANT pages;
    VariantInit(&pages);
    pages.vt = VT_I4;
    pages.lVal = 12;
    job.SetProperty(u"TotalPagedRenderedInPdlOutput", pages);
    job.SetProperty(u"Corvo_QcptForNonXps", u"<QCPT/>");
    const OperationOutcome outcome = job.Run(kPostScriptJob);

    ASSERT_EQ(S_OK, outcome.result);
    EXPECT_EQ("", outcome.output) << "the job went to the folder, not down the pipeline";
    const CXString folder = jobFolders.NewFolder();
    const std::string content = ReadWholeFile(folder + CXString(WIDE("JobContent.out")));
    const std::string expectedStart = "<QCPT/>" + kUel + "@PJL JOB\r\n";
    EXPECT_EQ(expectedStart, content.substr(0, expectedStart.size()));
    const auto spec = XmlChildrenOf(folder + CXString(WIDE("JobSpec.xml")));
    const CXString samName = job.User().SamCompatibleName();
    const int backslash = samName.Find(WIDE('\\'));
    EXPECT_EQ(u"Quarterly report", spec.at(u"DocumentDisplayName"));
    EXPECT_EQ(Utf16(job.Job().userName), spec.at(u"Owner"));
    EXPECT_EQ(Utf16(backslash > 0 ? samName.Left(backslash) : samName), spec.at(u"DomainName"));
    EXPECT_EQ(Utf16(job.Queue()), spec.at(u"QueueName"));
    EXPECT_EQ(u"application/postscript", spec.at(u"DocumentFormat"));
    EXPECT_EQ(u"12", spec.at(u"Pages"));
    EXPECT_EQ(u"Success", XmlChildrenOf(folder + CXString(WIDE("QCPT.ready"))).at(u"Status"));
}

TEST_F(JobOperation, TheCopyRunsAsTheSubmittingUser) {
    OperationHarness job;
    job.AddDriverBag(PdlValue::PostScript);
    job.SetProperty(u"Corvo_QcptForNonXps", u"<QCPT/>");
    const OperationOutcome outcome = job.Run(kPostScriptJob);
    ASSERT_EQ(S_OK, outcome.result);
    ASSERT_LE(2u, outcome.impersonating.size());
    for (std::size_t i = 0; i < outcome.impersonating.size(); ++i) {
        EXPECT_TRUE(outcome.impersonating[i]) << "write " << i;
    }
    HANDLE token = nullptr;
    EXPECT_EQ(FALSE, OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        << "the impersonation ends with the operation";
}
#if !defined(_WIN32)
// GetUserNameExW gets a buffer of 261 characters: a name of 260 and its terminator fit, one more
// makes the call fail and the domain stay empty. A name without a domain is its own domain.
TEST_F(JobOperation, TheDomainComesFromAUserNameThatFitsItsBuffer) {
    struct Case {
        std::u16string name;
        std::u16string domain;
    };
    for (const Case& c :
         {Case{u"CORP\\" + std::u16string(255, u'u'), u"CORP"},
          Case{u"CORP\\" + std::u16string(256, u'u'), u""}, Case{u"alice", u"alice"}}) {
        const std::basic_string<WCHAR> name = Wide(c.name);
        const HANDLE token = CvCreateUserToken(name.c_str());
        OperationHarness job;
        job.TurnAtriumOn();
        job.AddDriverBag(PdlValue::PostScript);
        VARIANT user;
        VariantInit(&user);
        user.vt = VT_BYREF;
        user.byref = token;
        job.SetProperty(u"UserSecurityToken", user);
        ASSERT_EQ(S_OK, job.Run(kPostScriptJob).result) << c.name.size();
        const auto spec = XmlChildrenOf(jobFolders.NewFolder() + CXString(WIDE("JobSpec.xml")));
        EXPECT_EQ(c.domain, spec.at(u"DomainName")) << c.name.size();
        CloseHandle(token);
    }
}
#endif
}  // namespace
