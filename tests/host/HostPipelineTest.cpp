// The host's own parts: the job file's checks, the read stream's full counts and rewind, the
// property bag's answer for every page, and the account sink and its explanation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/account/AccountExplanation.h"
#include "host/job/JobFile.h"
#include "host/job/TextConversion.h"
#include "host/pipeline/HostAccountSink.h"
#include "host/pipeline/HostPropertyBag.h"
#include "host/pipeline/HostReadStream.h"
#include "host/pipeline/HostWriteStream.h"
#include "tests/support/TestFolders.h"

namespace {
std::string ParseError(const std::string& text) {
    try {
        JobFile::Parse(text, "jobs");
    } catch (const JobFileError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(JobFileCheck, EveryKeyIsReadWithItsType) {
    const JobFile job = JobFile::Parse(
        R"({ "input": "in.ps", "output": "../out/job.out",
             // a comment
             "properties": { "A": "text", "B": 12, "C": false, "D": null },
             "driver": { "pdl": 7360, "printStreamQFCICompliant": true, "fullQpifSupported": true,
                         "requiresGreenSeparatorPageFixUp": true, "requiresBothPjlAndQcpt": true,
                         "controllerFamily": 8430, "productPdlDataXml": "<P/>",
                         "extensionPackageFolder": "C:\\pkg" },
             "printer": { "name": "Office", "separatorPageSelected": true,
                          "printerData": { "UseCorvoAtrium": 4294967295 } },
             "job": { "id": 7, "documentName": "Report", "userName": "alice",
                      "samCompatibleName": "CORP\\alice" },
             "clientJobData": { "601": 3, "603": -1 },
             "programData": "pd" })",
        "jobs");
    EXPECT_EQ(std::filesystem::path("jobs/in.ps"), *job.input);
    EXPECT_EQ(std::filesystem::path("out/job.out"), *job.output);
    ASSERT_EQ(4u, job.properties.size());
    EXPECT_EQ(JobFile::PropertyValue(std::string("text")), job.properties[0].second);
    EXPECT_EQ(JobFile::PropertyValue(12), job.properties[1].second);
    EXPECT_EQ(JobFile::PropertyValue(false), job.properties[2].second);
    EXPECT_EQ(JobFile::PropertyValue(nullptr), job.properties[3].second);
    ASSERT_TRUE(job.driver);
    EXPECT_EQ(7360, job.driver->pdl);
    EXPECT_TRUE(job.driver->requiresBothPjlAndQcpt);
    EXPECT_EQ(8430, job.driver->controllerFamily);
    EXPECT_EQ("C:\\pkg", job.driver->extensionPackageFolder);
    EXPECT_EQ(4294967295u, job.printer.printerData.at("UseCorvoAtrium"));
    EXPECT_EQ(7u, job.job.id);
    EXPECT_EQ("CORP\\alice", job.job.samCompatibleName);
    EXPECT_EQ("601=3;603=-1", job.ClientJobDataText());
    EXPECT_EQ(std::filesystem::path("jobs/pd"), *job.programData);
}

TEST(JobFileCheck, OneKeyInTwoObjectsIsNoDuplicate) {
    const JobFile job = JobFile::Parse(
        R"({ "printer": { "name": "a", "printerData": { "name": 1 } }, "job": { "id": 1 } })",
        "jobs");
    EXPECT_EQ("a", job.printer.name);
    EXPECT_EQ(1u, job.job.id);
}

TEST(JobFileCheck, AFaultIsNamedByItsKeyOrLine) {
    struct Case {
        const char* label;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"not JSON", "{ \"driver\": ", "not JSON"},
        {"not an object", "[1, 2]", "expected an object"},
        {"unknown top-level key", R"({ "inputs": "x" })", "\"inputs\": unknown key"},
        {"unknown nested key", R"({ "printer": { "queue": "x" } })",
         "\"printer.queue\": unknown key"},
        {"text where a number goes", R"({ "driver": { "pdl": "7363" } })",
         "\"driver.pdl\": expected an integer"},
        {"number where a flag goes", R"({ "driver": { "fullQpifSupported": 1 } })",
         "\"driver.fullQpifSupported\": expected true or false"},
        {"property beyond 32 bits", R"({ "properties": { "P": 2147483648 } })",
         "\"properties.P\": expected an integer"},
        {"property of an array", R"({ "properties": { "P": [1] } })",
         "\"properties.P\": expected a string"},
        {"negative printer data", R"({ "printer": { "printerData": { "V": -1 } } })",
         "\"printer.printerData.V\": expected an integer from 0"},
        {"job id beyond 32 bits", R"({ "job": { "id": 4294967296 } })", "\"job.id\""},
        {"client job data not by number", R"({ "clientJobData": { "pages": 3 } })",
         "\"clientJobData.pages\": a parameter is named by its number"},
        {"path of a number", R"({ "input": 5 })", "\"input\": expected a string"},
        {"a key twice", R"({ "properties": { "PDLEncryptionPassPhrase": "x", "A": 1,
                                             "PDLEncryptionPassPhrase": "y" } })",
         "\"properties.PDLEncryptionPassPhrase\": given twice"},
        {"a second, empty properties",
         R"({ "properties": { "PDLEncryptionPassPhrase": "x" }, "properties": {} })",
         "\"properties\": given twice"},
        {"a key twice in the second of two objects in an array",
         R"({ "properties": { "P": 1 }, "printer": { "printerData": { "V": 1, "V": 2 } } })",
         "\"printer.printerData.V\": given twice"},
    };
    for (const Case& c : cases) {
        const std::string message = ParseError(c.text);
        EXPECT_NE(std::string::npos, message.find(c.expected))
            << c.label << ": expected \"" << c.expected << "\" in \"" << message << "\"";
    }
}

// A temporary file with the given bytes, open for reading.
class InputFile {
  public:
    explicit InputFile(const std::string& bytes)
        : path(ScratchFolder("cv-host-input") /
               ("cv-host-input-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)))) {
        std::ofstream(path, std::ios::binary) << bytes;
        file = std::fopen(path.string().c_str(), "rb");
    }
    ~InputFile() {
        std::fclose(file);
        std::filesystem::remove(path);
    }
    std::FILE* file;

  private:
    std::filesystem::path path;
};

// Inputs shorter than the first read of 4 bytes included: after the rewind every byte comes again.
TEST(HostInput, ReadsGiveFullCountsAndEveryByteOnce) {
    // Longer than the block read ahead, so refills fall inside the filter's reads.
    std::string longContent;
    for (std::size_t i = 0; i < HostReadStream::kReadAhead + 20000; ++i) {
        longContent += static_cast<char>('a' + i % 26);
    }
    for (const std::string& content :
         {std::string("a"), std::string("ab"), std::string("abc"), longContent}) {
        for (const bool seekable : {true, false}) {
            for (const ULONG size :
                 std::initializer_list<ULONG>{1, 2, 7, 65536, HostReadStream::kReadAhead}) {
                const InputFile input(content);
                auto* stream = new HostReadStream(input.file, seekable);
                std::vector<char> buffer(std::max<ULONG>(size, 4));
                ULONG read = 0;
                BOOL end = FALSE;
                ASSERT_EQ(S_OK, stream->ReadBytes(buffer.data(), 4, &read, &end));
                ASSERT_EQ(S_OK, stream->Seek(0, STREAM_SEEK_SET, nullptr)) << "rewind";
                std::string got;
                end = FALSE;
                while (!end) {
                    ASSERT_EQ(S_OK, stream->ReadBytes(buffer.data(), size, &read, &end));
                    EXPECT_TRUE(read == size || end) << "a short read before the end";
                    got.append(buffer.data(), read);
                }
                const std::string label = std::to_string(content.size()) + " bytes, seekable " +
                                          std::to_string(seekable) + ", read size " +
                                          std::to_string(size);
                EXPECT_EQ(content, got) << label;
                EXPECT_EQ(content.size(), stream->BytesConsumed()) << label;
                EXPECT_EQ(0u, stream->Release());
            }
        }
    }
}

// An output that cannot take the bytes (here: a file open for reading only) fails: a delivery
// as large as the held bytes at once, a small one when Close writes it, so the job cannot pass
// for written either way.
TEST(HostOutput, AnOutputThatCannotTakeTheBytesFailsTheWriteOrTheClose) {
    struct Case {
        const char* label;
        std::size_t size;
        HRESULT write;
        ULONG written;
    };
    const Case cases[] = {
        {"a small delivery, held", 4, S_OK, 4},
        {"a delivery of the held size, at once", HostWriteStream::kHeld,
         static_cast<HRESULT>(0x8007001D), 0},
    };
    for (const Case& c : cases) {
        const InputFile readOnly("x");
        auto* stream = new HostWriteStream(readOnly.file);
        const std::string bytes(c.size, 'd');
        ULONG written = 7;
        EXPECT_EQ(c.write,
                  stream->WriteBytes(bytes.data(), static_cast<ULONG>(bytes.size()), &written))
            << c.label;
        EXPECT_EQ(c.written, written) << c.label;
        stream->Close();
        EXPECT_TRUE(stream->Failed()) << c.label;
        EXPECT_EQ(0u, stream->BytesWritten()) << c.label;
        EXPECT_EQ(0u, stream->Release()) << c.label;
    }
}

// Small deliveries go out together, never more than the held size at a time, in their order.
TEST(HostOutput, SmallDeliveriesAreGatheredIntoWritesOfAtMostTheHeldSize) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(nullptr, file);
    std::setvbuf(file, nullptr, _IONBF, 0);
    auto* stream = new HostWriteStream(file);
    std::string expected;
    const std::size_t piece = 300;
    const std::size_t fitting = HostWriteStream::kHeld / piece;
    for (std::size_t i = 0; i <= fitting; ++i) {
        const std::string bytes(piece, static_cast<char>('a' + i % 26));
        ULONG written = 0;
        ASSERT_EQ(S_OK, stream->WriteBytes(bytes.data(), piece, &written));
        expected += bytes;
        const long reached = i < fitting ? 0 : static_cast<long>(fitting * piece);
        ASSERT_EQ(reached, std::ftell(file)) << "after delivery " << i;
    }
    const std::string large(HostWriteStream::kHeld, 'L');
    ULONG written = 0;
    ASSERT_EQ(S_OK, stream->WriteBytes(large.data(), static_cast<ULONG>(large.size()), &written));
    expected += large;
    EXPECT_EQ(static_cast<long>(expected.size()), std::ftell(file)) << "a large delivery at once";
    stream->Close();
    EXPECT_FALSE(stream->Failed());
    EXPECT_EQ(expected.size(), stream->BytesWritten());
    std::string content(expected.size(), '\0');
    std::rewind(file);
    EXPECT_EQ(content.size(), std::fread(content.data(), 1, content.size(), file));
    EXPECT_TRUE(content == expected) << "the bytes in their order";
    EXPECT_EQ(0u, stream->Release());
    std::fclose(file);
}

TEST(HostInput, APipeRewindsOnlyWithinItsKeptHead) {
    const std::string content(HostReadStream::kRewindableHead + 10, 'x');
    const InputFile input(content);
    auto* stream = new HostReadStream(input.file, false);
    std::vector<char> buffer(content.size());
    ULONG read = 0;
    BOOL end = FALSE;
    ASSERT_EQ(S_OK, stream->ReadBytes(buffer.data(), 100, &read, &end));
    EXPECT_EQ(S_OK, stream->Seek(0, STREAM_SEEK_SET, nullptr));
    ASSERT_EQ(S_OK,
              stream->ReadBytes(buffer.data(), static_cast<ULONG>(content.size()), &read, &end));
    EXPECT_EQ(content.size(), read);
    EXPECT_NE(S_OK, stream->Seek(0, STREAM_SEEK_SET, nullptr)) << "past the head";
    EXPECT_NE(S_OK, stream->Seek(0, STREAM_SEEK_END, nullptr)) << "the end of a pipe";
    EXPECT_EQ(0u, stream->Release());
}

// A CUPS job's features go to every page, whatever digits its number has; other names stay unknown.
TEST(HostProperties, EveryPagesFeaturesAnswerEachPageNumberAndNothingElse) {
    const std::basic_string<WCHAR> features = WIDE("Duplex=TwoSidedLongEdge");
    auto* bag = new HostPropertyBag();
    bag->SetEveryPageFeatures(features);
    struct Case {
        const char* page;
        bool answered;
    };
    for (const Case c : {Case{"1", true}, Case{"10", true}, Case{"9087", true}, Case{"", false},
                         Case{"1a", false}, Case{"-1", false}}) {
        SCOPED_TRACE(std::string("page \"") + c.page + "\"");
        const auto name =
            TextConversion::FromUtf8("PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_" + std::string(c.page));
        VARIANT value;
        EXPECT_EQ(c.answered ? S_OK : E_INVALIDARG, bag->GetProperty(name.c_str(), &value));
        EXPECT_EQ(c.answered ? features : std::basic_string<WCHAR>(),
                  value.vt == VT_BSTR ? std::basic_string<WCHAR>(value.bstrVal)
                                      : std::basic_string<WCHAR>());
        VariantClear(&value);
    }
    EXPECT_EQ(0u, bag->Release());
}

TEST(HostAccount, TheSinkRefusesNonObjectsAtOnceAndLeavesOutWhatDoesNotRead) {
    auto* sink = new HostAccountSink();
    struct Case {
        const char* label;
        std::string text;
        HRESULT answered;
    };
    const Case cases[] = {
        {"a record", R"({"record":"item","index":0})", S_OK},
        {"not JSON", "{\"record\":", E_INVALIDARG},
        {"not an object", "[1,2]", E_INVALIDARG},
        {"an empty text", "", E_INVALIDARG},
        {"an object's braces around no JSON", "{\"record\":}", S_OK},
        {"an object with more after it", "{\"record\":\"item\"} {}", S_OK},
        {"spaces around an object", " \n{\"record\":\"jobEnd\"}\r\n", S_OK},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.answered, sink->Record(c.text.data(), static_cast<ULONG>(c.text.size())))
            << c.label;
    }
    const auto records = sink->Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("item", records.front()["record"]);
    EXPECT_EQ("jobEnd", records.back()["record"]);
    EXPECT_EQ(0u, sink->Release());
}

TEST(HostAccount, EachRecordReadsAsOneLineWithItsOffset) {
    struct Case {
        const char* json;
        const char* expected;
    };
    const Case cases[] = {
        {R"({"record":"item","index":0,"type":0,"inserted":true,"outputOffset":1204,"length":18,"encrypted":false})",
         "       1,204  item 0 (PJL, before \"@PJL ENTER LANGUAGE\") inserted, 18 bytes\n"},
        {R"({"record":"encryptedSection","number":1,"outputOffset":1262,"plaintextLength":185930,"ciphertextLength":186102})",
         "       1,262  encrypted section 1: 185,930 bytes -> 186,102 bytes\n"},
        {R"({"record":"item","index":2,"type":4,"inserted":false})",
         "              item 2 (DSC comments, before \"%%Title\") not inserted\n"},
        {R"({"record":"pageFeatures","page":2,"outputOffset":1000000,"length":120,"generator":"builtIn"})",
         "   1,000,000  page 2: features, 120 bytes (builtIn)\n"},
    };
    for (const Case& c : cases) {
        std::ostringstream out;
        AccountExplanation::Write({AccountExplanation::Json::parse(c.json)}, out);
        EXPECT_EQ(c.expected, out.str());
    }
}
}  // namespace
