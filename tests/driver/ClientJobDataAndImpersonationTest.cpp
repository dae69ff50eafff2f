// The companion pieces the operation reads the job through: the client job data's parameter
// list, the job record, the driver's package folder, and impersonation that nests.
#include <gtest/gtest.h>

#include <map>

#include "companion/Utilities/ClientJobData2ReaderWriter.h"
#include "companion/Utilities/PrintDriver.h"
#include "companion/Utilities/PrintJob.h"
#include "companion/Utilities/SetThreadTokenWrapper.h"
#include "tests/fakes/FakePipeline.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestSpooler.h"
#include "tests/support/WideText.h"

namespace {
bool Impersonating() {
    HANDLE token = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) == FALSE) {
        return false;
    }
    CloseHandle(token);
    return true;
}

TEST(ClientJobData, TheParameterListKeepsWellFormedEntriesOnly) {
    struct Case {
        const char* label;
        std::u16string text;
        std::map<LONG, LONG> expected;
    };
    const Case cases[] = {
        {"two entries", u"601=3;603=8635", {{601, 3}, {603, 8635}}},
        {"blanks around numbers", u" 601 = 3 ;\t603=8635 ", {{601, 3}, {603, 8635}}},
        {"negative value", u"601=-4", {{601, -4}}},
        {"a later entry replaces an earlier one", u"601=1;601=2", {{601, 2}}},
        {"empty entries and a trailing separator", u";;601=3;", {{601, 3}}},
        {"text, missing parts, fractions", u"601=three;=4;603=;604=1.5;605", {}},
        {"beyond 32 bits", u"601=2147483648;602=2147483647", {{602, 2147483647}}},
        {"non-ASCII digits", u"601=\u0663", {}},
        {"empty", u"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, ClientJobData2ReaderWriter::ParseParameterList(Wide(c.text)))
            << c.label;
    }
}

TEST(ClientJobData, AMissingParameterLeavesTheValueAlone) {
    auto* bag = new FakePropertyBag();
    bag->strings[Wide(u"Corvo_ClientJobData2")] = Wide(u"603=8635");
    const ClientJobData2ReaderWriter data(nullptr, 7, bag);
    LONG value = 5001;
    EXPECT_TRUE(data.GetLongFromParameterList(603, value));
    EXPECT_EQ(8635, value);
    value = 5001;
    EXPECT_FALSE(data.GetLongFromParameterList(601, value));
    EXPECT_EQ(5001, value);
    EXPECT_EQ(0u, bag->Release());
}

#if !defined(_WIN32)
TEST(ClientJobData, TheSpoolersNamedJobPropertyComesBeforeThePipelines) {
    const CXString queue = TestSpooler::NewPrinter();
    const HANDLE printer = TestSpooler::Open(queue);
    const TestJob job = TestSpooler::NewJob(queue, printer, CXString(WIDE("doc")));
    CvSpoolerSetJobNamedProperty(queue.GetString(), job.id, WIDE("Corvo_ClientJobData2"),
                                 WIDE("601=12"));
    auto* bag = new FakePropertyBag();
    bag->strings[Wide(u"Corvo_ClientJobData2")] = Wide(u"601=99;603=8635");
    const ClientJobData2ReaderWriter data(printer, job.id, bag);
    LONG pages = 0;
    LONG pdl = 0;
    EXPECT_TRUE(data.GetLongFromParameterList(601, pages));
    EXPECT_EQ(12, pages);
    EXPECT_FALSE(data.GetLongFromParameterList(603, pdl)) << "the lists are not merged";
    EXPECT_EQ(std::vector<std::basic_string<WCHAR>>{}, bag->requestedNames);
    EXPECT_EQ(0u, bag->Release());
    ClosePrinter(printer);
}
#endif

TEST(PrintDriverPackage, TheFolderOfTheDriversDataFileIsItsPackageFolder) {
    const CXString queue = TestSpooler::NewPrinter();
    const HANDLE printer = TestSpooler::Open(queue);
#if !defined(_WIN32)
    const TestProgramData programData;
    const CXString package = programData.Scratch("driver-package");
    const CXString folder = package.Left(package.GetLength() - 1);
    CvSpoolerSetPrinterDriver(queue.GetString(), WIDE("Test v4 driver"),
                              (package + CXString(WIDE("driver.gpd"))).GetString());
    EXPECT_EQ(Utf16(folder), Utf16(PrintDriver::GetV4PrinterDriverIDByReverseEngineering(printer)));
#endif
    const CXString id = PrintDriver::GetV4PrinterDriverIDByReverseEngineering(printer);
    EXPECT_FALSE(id.IsEmpty());
    EXPECT_EQ(Utf16(id), Utf16(PrintDriver::GetV4PrinterExtensionPkgFolderPath(id)))
        << "an existing folder";
    EXPECT_EQ(u"", Utf16(PrintDriver::GetV4PrinterExtensionPkgFolderPath(
                       id + CXString(WIDE("\\no such folder")))));
    EXPECT_EQ(u"", Utf16(PrintDriver::GetV4PrinterDriverIDByReverseEngineering(nullptr)));
    ClosePrinter(printer);
}

TEST(Impersonation, AnInnerWrapperGivesTheOuterImpersonationBack) {
    const TestUserToken user;
    ASSERT_FALSE(Impersonating());
    {
        SetThreadTokenWrapper outer(user.Handle());
        EXPECT_TRUE(Impersonating());
        { const SetThreadTokenWrapper inner(user.Handle()); }
        EXPECT_TRUE(Impersonating()) << "after the inner wrapper";
        outer.RemoveImpersonationToken();
        EXPECT_FALSE(Impersonating()) << "removed";
        outer.ApplyImpersonationToken(user.Handle());
        EXPECT_TRUE(Impersonating()) << "applied again";
    }
    EXPECT_FALSE(Impersonating()) << "after the outer wrapper";
    { const SetThreadTokenWrapper none(nullptr); }
    EXPECT_FALSE(Impersonating()) << "a null token changes nothing";
}

}  // namespace
