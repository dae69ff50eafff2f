// The filter's own account of a job, held against the bytes it delivered: at every recorded offset
// the output holds what the record says, the offsets only grow, and the totals add up. Also: a
// sink that fails or throws changes nothing of the job.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <numeric>
#include <set>
#include <string>

#include "FilterPipeline/PDLStreamFilter/PDLInsertionData.h"
#include "FilterPipeline/PDLStreamFilter/PdlValue.h"
#include "OperationHarness.h"
#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/Utilities/CPString.h"
#include "companion/Utilities/MeridianDecryption.h"
#include "host/job/TextConversion.h"
#include "tests/support/JobText.h"
#include "tests/support/TestFolders.h"
#include "tests/support/WideText.h"

namespace {
using Json = nlohmann::json;
const CXString kPassPhrase(WIDE("correct horse"));

// Every record is sent as compact JSON on one line, its fields in the order they were made, the
// per-page records written without a JSON value included.
std::vector<Json> Parsed(const std::vector<std::string>& records) {
    std::vector<Json> parsed;
    for (const std::string& record : records) {
        EXPECT_EQ(record, nlohmann::ordered_json::parse(record).dump());
        parsed.push_back(Json::parse(record));
    }
    return parsed;
}

std::string At(const std::string& output, const Json& record, std::uint64_t length) {
    const auto offset = record["outputOffset"].get<std::uint64_t>();
    return offset <= output.size() ? output.substr(offset, length) : "(beyond the output)";
}

// What the output must hold where an item of each type went: its text, then its marker.
std::string MarkerOf(int type) {
    switch (type) {
        case BeforePjlEnterLanguage:
            return "@PJL ENTER LANGUAGE";
        case BeforeEndSetup:
            return "%%EndSetup";
        case BeforeTitle:
            return "%%Title";
        case BeforePclmHeader:
            return "%PCLm 1.0";
        default:
            return "";
    }
}

// Every record against the bytes; `texts` are the items' texts in list order.
void CheckAgainstBytes(const std::vector<Json>& account, const std::string& output,
                       const std::vector<std::string>& texts, const std::string& label) {
    std::uint64_t last = 0;
    std::vector<std::size_t> items;
    const std::set<std::string> ordered = {
        "directTicket",    "item",         "languageSwitch", "directFax",
        "staplingRemoved", "pageFeatures", "xpsJobHeader",   "jobEnd"};
    for (const Json& record : account) {
        const std::string kind = record["record"];
        SCOPED_TRACE(label + ": " + record.dump());
        if (ordered.count(kind) != 0 && record.contains("outputOffset")) {
            EXPECT_LE(last, record["outputOffset"].get<std::uint64_t>()) << "offsets only grow";
            last = record["outputOffset"];
        }
        if (kind == "item") {
            items.push_back(record["index"]);
        }
        if (kind == "item" && record["inserted"] && !record["encrypted"]) {
            const std::string text = texts.at(record["index"]);
            EXPECT_EQ(text.size(), record["length"].get<std::size_t>());
            const std::string marker = MarkerOf(record["type"]);
            EXPECT_EQ(text + marker, At(output, record, text.size() + marker.size()));
        } else if (kind == "pageFeatures" && record.contains("generator")) {
            const std::string code = At(output, record, record["length"]);
            EXPECT_NE(std::string::npos, code.find("%%BeginFeature")) << code;
            EXPECT_EQ(record["page"] > 1, code.rfind("%%BeginPageSetup\n", 0) == 0) << code;
        } else if (kind == "jobEnd" && record["trailer"] != "none") {
            EXPECT_EQ(kTrailer, At(output, record, kTrailer.size()));
        } else if (kind == "encryptedSection") {
            const std::string section = At(output, record, record["ciphertextLength"]);
            EXPECT_EQ(record["plaintextLength"].get<std::size_t>(),
                      MeridianDecryption::DecryptStream(section, kPassPhrase).size());
        } else if (kind == "languageSwitch") {
            EXPECT_EQ(0u, At(output, record, record["length"]).find("@PJL ENTER LANGUAGE"));
        } else if (kind == "staplingRemoved") {
            EXPECT_EQ("%% Stapling commands from GPD intentionally removed by advanced PDL filter",
                      At(output, record, record["commentLength"]));
        } else if (kind == "xpsJobHeader") {
            const std::string header = At(output, record, record["length"]);
            EXPECT_EQ(0u, header.find(kUel + "@PJL JOB\r\n")) << header;
        }
    }
    std::vector<std::size_t> everyItem(texts.size());
    std::iota(everyItem.begin(), everyItem.end(), 0);
    std::sort(items.begin(), items.end());
    EXPECT_EQ(everyItem, items) << label << ": each item is accounted once, inserted or not";
    ASSERT_FALSE(account.empty());
    EXPECT_EQ("totals", account.back()["record"]) << label;
    EXPECT_EQ(output.size(), account.back()["bytesDelivered"].get<std::size_t>()) << label;
}

std::vector<std::string> KindsOf(const std::vector<Json>& account) {
    std::vector<std::string> kinds;
    for (const Json& record : account) {
        if (kinds.empty() || kinds.back() != record["record"]) {
            kinds.push_back(record["record"]);
        }
    }
    return kinds;
}

class OperationAccount : public ::testing::Test {
  protected:
    const MsSafeCoInit com;
    const TestProgramData programData;
    JobFolderWatch jobFolders{programData.DefaultJobsRoot()};
};

TEST_F(OperationAccount, EveryRecordMatchesTheBytesDelivered) {
    struct Case {
        const char* label;
        std::function<std::string(OperationHarness&)> prepare;  // gives the input
        std::vector<std::string> texts;
        HRESULT expected;
        std::vector<std::string> kinds;  // the kinds in order, repeats folded
        std::string failedStage = "copy";
    };
    const std::string postScript = ExampleJob("doc003.ps2write-drv-staple-simpinitg.pjl.ps");
    const std::string pclXl = ExampleJob("doc001.pxlmono.pjl.pxl");
    const Case cases[] = {
        {"PostScript with every item type, stapling and page features",
         [&](OperationHarness& job) {
             job.AddDriverBag(PdlValue::PostScript);
             job.SetProperty(u"Corvo_PjlToInsert", u"@PJL SET COPIES=2\r\n");
             job.SetProperty(u"Corvo_JobLevelPsCommentsToInsert", u"%%For: alice\n");
             job.SetProperty(u"Corvo_JobLevelPsToInsert", u"<< /Collate true >> setpagedevice\n");
             job.SetProperty(u"RemoveNativeStaplingFlag", u"");
             for (const char16_t* page : {u"1", u"2", u"3"}) {
                 job.SetProperty(u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_" + std::u16string(page),
                                 u"Duplex=TwoSidedLongEdge");
             }
             return postScript;
         },
         {"@PJL SET COPIES=2\r\n", "%%For: alice\n", "<< /Collate true >> setpagedevice\n"},
         S_OK,
         {"item", "staplingRemoved", "item", "pageSetupDropped", "pageFeatures", "pageSetupDropped",
          "pageFeatures", "pageSetupDropped", "pageFeatures", "jobEnd", "graphicsGroupsRemoved",
          "totals"}},
        {"PCL XL with the ticket written first",
         [&](OperationHarness& job) {
             job.AddDriverBag({.pdl = PdlValue::PclXl, .printStreamQFCICompliant = true});
             job.SetProperty(u"Corvo_QcptForNonXps", u"<QCPT/>");
             job.SetProperty(u"Corvo_PjlToInsert", u"@PJL SET COPIES=2\r\n");
             return pclXl;
         },
         {"@PJL SET COPIES=2\r\n"},
         S_OK,
         {"directTicket", "item", "jobEnd", "totals"}},
        {"encrypted PostScript",
         [&](OperationHarness& job) {
             job.AddDriverBag(PdlValue::PostScript);
             job.SetProperty(u"PDLEncryptionPassPhrase", Utf16(kPassPhrase));
             job.SetProperty(u"Corvo_PjlToInsert", u"@PJL SET HOLD=ON\r\n");
             return postScript;
         },
         {"@PJL SET HOLD=ON\r\n"},
         S_OK,
         {"item", "languageSwitch", "pageFeatures", "pageSetupDropped", "pageFeatures",
          "pageSetupDropped", "pageFeatures", "encryptedSection", "jobEnd", "graphicsGroupsRemoved",
          "totals"}},
        {"XPS with its ticket",
         [&](OperationHarness& job) {
             job.AddDriverBag(PdlValue::Xps);
             job.SetProperty(u"PDLEncryptionPassPhrase", Utf16(kPassPhrase));
             job.SetProperty(u"Corvo_QcptForXps", u"<Ticket/>");
             return std::string("PK\x03\x04 an XPS package") + std::string(200000, 'x');
         },
         {},
         S_OK,
         {"xpsJobHeader", "encryptedSection", "jobEnd", "totals"}},
        {"a print-ready file",
         [&](OperationHarness& job) {
             job.SetProperty(
                 u"XPS_FP_FILESPEC_FOR_TEMP_COPY_OF_PRINT_READY_FILE_PASSED_IN_XPS_WRAPPER",
                 Utf16(programData.PrintReadyFile("%PDF-1.7\n" + std::string(150000, 'p') +
                                                  "%%EOF\n")));
             job.SetProperty(u"Corvo_PjlToInsert", u"@PJL SET COPIES=2\r\n");
             job.SetProperty(u"Corvo_JobLevelPsToInsert", u"<< /Collate true >> setpagedevice\n");
             job.AddDriverBag(PdlValue::PostScript);
             return std::string("the pipeline's own stream");
         },
         {"@PJL SET COPIES=2\r\n", "<< /Collate true >> setpagedevice\n"},
         S_OK,
         {"jobEnd", "printReadyPassThrough", "item", "totals"}},
        {"a job whose read fails in the copy",
         [&](OperationHarness& job) {
             job.AddDriverBag(PdlValue::PostScript);
             job.readerFaults.failingRead = 3;
             return postScript;
         },
         {},
         E_FAIL,
         {"failure", "totals"}},
        {"a job whose rewind fails",
         [&](OperationHarness& job) {
             job.AddDriverBag(PdlValue::PostScript);
             job.readerFaults.seekResult = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
             return postScript;
         },
         {},
         HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED),
         {"failure", "totals"},
         "rewind"},
        {"a job whose ticket cannot be written",
         [&](OperationHarness& job) {
             job.AddDriverBag(PdlValue::PostScript);
             job.SetProperty(u"Corvo_QcptForNonXps", u"<QCPT/>");
             job.writer->failingWrite = 1;
             return postScript;
         },
         {},
         E_FAIL,
         {"failure", "totals"},
         "direct ticket"},
        {"a cancelled job",
         [&](OperationHarness& job) {
             job.AddDriverBag(PdlValue::PostScript);
             job.cancellation.duringRead = 3;
             return postScript;
         },
         {},
         HRESULT_FROM_WIN32(ERROR_CANCELLED),
         {"failure", "totals"}},
    };
    for (const Case& c : cases) {
        OperationHarness job;
        job.AddAccountSink();
        const std::string input = c.prepare(job);
        const OperationOutcome outcome = job.Run(input);
        ASSERT_EQ(c.expected, outcome.result) << c.label;
        const std::vector<Json> account = Parsed(outcome.account);
        EXPECT_EQ(c.kinds, KindsOf(account)) << c.label;
        CheckAgainstBytes(account, outcome.output, c.texts, c.label);
        for (const Json& record : account) {
            if (record["record"] == "pageSetupDropped") {
                const std::string dropped = input.substr(record["inputOffset"], record["length"]);
                EXPECT_EQ(0u, dropped.rfind("%%BeginPageSetup", 0)) << c.label << ": " << dropped;
                EXPECT_EQ(dropped.size() - 14, dropped.rfind("%%EndPageSetup")) << c.label;
            }
        }
        if (FAILED(c.expected)) {
            EXPECT_EQ(c.failedStage, account.front()["stage"]) << c.label;
            EXPECT_EQ(TextConversion::HresultText(c.expected), account.front()["hresult"])
                << c.label;
        }
    }
}

TEST_F(OperationAccount, AnAtriumJobIsAccountedInItsContentFile) {
    OperationHarness job;
    job.TurnAtriumOn();
    job.AddAccountSink();
    job.AddDriverBag(PdlValue::PclXl);
    job.SetProperty(u"Corvo_PjlToInsert", u"@PJL SET COPIES=2\r\n");
    const OperationOutcome outcome = job.Run(ExampleJob("doc001.pxlmono.pjl.pxl"));
    ASSERT_EQ(S_OK, outcome.result);
    const CXString folder = jobFolders.NewFolder();
    const std::vector<Json> account = Parsed(outcome.account);
    EXPECT_EQ((std::vector<std::string>{"item", "jobEnd", "atrium", "totals"}), KindsOf(account));
    CheckAgainstBytes(account, ReadWholeFile(folder + CXString(WIDE("JobContent.out"))),
                      {"@PJL SET COPIES=2\r\n"}, "Atrium");
    const Json& atrium = account.at(account.size() - 2);
    EXPECT_EQ("Success", atrium["status"]);
    EXPECT_EQ(
        NativePath(folder).lexically_normal(),
        NativePath(CPString(atrium["jobFolder"].get<std::string>()).ToWide()).lexically_normal());
}

// The driver's treatment drops what stands in front of "@PJL COMMENT" with page one's setup, and
// page one's own section behind its features: each drop is recorded with the input bytes it took.
TEST_F(OperationAccount, WhatTheDriversTreatmentDropsIsRecorded) {
    const std::string header = kUel + "@PJL JOB\r\n@PJL SET RESOLUTION=600\r\n";
    const std::string section = "%%BeginPageSetup\nold\n%%EndPageSetup";
    const std::string input = header +
                              "@PJL COMMENT c\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\n"
                              "%%EndSetup\n%%Page: 1 1\n" +
                              section + "\n(p1) show showpage\n";
    OperationHarness job;
    job.AddAccountSink();
    job.AddDriverBag(PdlValue::PostScript);
    const OperationOutcome outcome = job.Run(input);
    ASSERT_EQ(S_OK, outcome.result);
    std::vector<std::string> dropped;
    for (const Json& record : Parsed(outcome.account)) {
        if (record["record"] == "pjlCommentDrop" || record["record"] == "pageSetupDropped") {
            dropped.push_back(record["record"].get<std::string>() + ": " +
                              input.substr(record["inputOffset"], record["length"]));
        }
    }
    EXPECT_EQ(
        (std::vector<std::string>{"pjlCommentDrop: " + header, "pageSetupDropped: " + section}),
        dropped);
    EXPECT_EQ(std::string::npos, outcome.output.find("RESOLUTION")) << outcome.output;
}

// The account is a witness: a sink that answers a failure or throws changes neither the bytes
// nor the result.
TEST_F(OperationAccount, ASinkThatFailsOrThrowsChangesNothingOfTheJob) {
    struct Case {
        const char* label;
        bool sink;
        HRESULT answer;
        bool throws;
    };
    std::string expected;
    for (const Case& c :
         {Case{"no sink", false, S_OK, false}, Case{"a failing sink", true, E_FAIL, false},
          Case{"a throwing sink", true, S_OK, true}}) {
        OperationHarness job;
        if (c.sink) {
            job.AddAccountSink().result = c.answer;
            job.AddAccountSink().throws = c.throws;
        }
        job.AddDriverBag(PdlValue::PostScript);
        job.SetProperty(u"Corvo_JobLevelPsToInsert", u"<< /Collate true >> setpagedevice\n");
        const OperationOutcome outcome =
            job.Run(ExampleJob("doc003.ps2write-drv-simpinitg.pjl.ps"));
        ASSERT_EQ(S_OK, outcome.result) << c.label;
        if (expected.empty()) {
            expected = outcome.output;
        }
        EXPECT_EQ(expected, outcome.output) << c.label;
        EXPECT_EQ(c.sink, !outcome.account.empty()) << c.label;
    }
}
}  // namespace
