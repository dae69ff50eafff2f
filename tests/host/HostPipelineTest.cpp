// The host's own parts: the job file's checks, the read stream's full counts and rewind, and the
// witness that finds inserted items in streams cut into blocks of any size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/HostReadStream.h"
#include "host/InsertionWitness.h"
#include "host/JobFile.h"

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
        : path(std::filesystem::temp_directory_path() /
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

TEST(HostInput, ReadsGiveFullCountsAndEveryByteIsSeenOnce) {
    std::string content;
    for (int i = 0; i < 20000; ++i) {
        content += static_cast<char>('a' + i % 26);
    }
    for (const bool seekable : {true, false}) {
        for (const ULONG size : {1u, 2u, 7u, 65536u}) {
            const InputFile input(content);
            auto* stream = new HostReadStream(input.file, seekable);
            std::string seen;
            stream->SetObserver(
                [&seen](const char* bytes, std::size_t count) { seen.append(bytes, count); });
            std::vector<char> buffer(std::max<ULONG>(size, 4));
            ULONG read = 0;
            BOOL end = FALSE;
            ASSERT_EQ(S_OK, stream->ReadBytes(buffer.data(), 4, &read, &end));
            ASSERT_EQ(S_OK, stream->Seek(0, STREAM_SEEK_SET, nullptr)) << "rewind";
            std::string got;
            while (!end) {
                ASSERT_EQ(S_OK, stream->ReadBytes(buffer.data(), size, &read, &end));
                EXPECT_TRUE(read == size || end) << "a short read before the end";
                got.append(buffer.data(), read);
            }
            EXPECT_EQ(content, got) << "seekable " << seekable << ", read size " << size;
            EXPECT_EQ(content, seen) << "seekable " << seekable << ", read size " << size;
            EXPECT_EQ(content.size(), stream->BytesConsumed());
            EXPECT_EQ(0u, stream->Release());
        }
    }
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

JobSettings SettingsWithItems() {
    JobSettings settings;
    settings.pjlToInsert = CXString(WIDE("@PJL SET COPIES=2\r\n"));
    settings.jobLevelPsComments = CXString(WIDE("%%For: alice\n"));
    settings.jobLevelPs = CXString(WIDE("<< /Collate true >> setpagedevice\n"));
    return settings;
}

TEST(InsertionWitnessing, AnItemIsFoundInFrontOfItsMarkerAcrossBlocksOfAnySize) {
    const std::string input = "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\n%%Title: t\n%%EndSetup\n";
    const std::string output =
        "@PJL SET COPIES=2\r\n@PJL ENTER LANGUAGE=POSTSCRIPT\r\n%!PS\n%%For: alice\n%%Title: "
        "t\n%%EndSetup\n";
    for (const std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{7}, output.size()}) {
        InsertionWitness witness(SettingsWithItems(), false);
        for (std::size_t at = 0; at < input.size(); at += size) {
            witness.SeeInput(input.data() + at, std::min(size, input.size() - at));
        }
        for (std::size_t at = 0; at < output.size(); at += size) {
            witness.SeeOutput(output.data() + at, std::min(size, output.size() - at));
        }
        const std::vector<InsertionWitness::Item> items = witness.Items();
        ASSERT_EQ(3u, items.size());
        EXPECT_EQ(0u, items[0].type);
        EXPECT_EQ(std::optional<bool>(true), items[0].inserted) << "PJL, block size " << size;
        EXPECT_EQ(4u, items[1].type);
        EXPECT_EQ(std::optional<bool>(true), items[1].inserted) << "comments, block size " << size;
        EXPECT_EQ(1u, items[2].type);
        EXPECT_EQ(std::optional<bool>(false), items[2].inserted) << "setup, block size " << size;
    }
}

TEST(InsertionWitnessing, TextAlreadyInTheInputIsNoInsertionAndEncryptionHidesMarkers) {
    const std::string stream = "%%For: alice\n%%Title: t\n";
    InsertionWitness plain(SettingsWithItems(), false);
    plain.SeeInput(stream.data(), stream.size());
    plain.SeeOutput(stream.data(), stream.size());
    EXPECT_EQ(std::optional<bool>(false), plain.Items()[1].inserted);

    InsertionWitness encrypted(SettingsWithItems(), true);
    const std::vector<InsertionWitness::Item> items = encrypted.Items();
    EXPECT_EQ(std::optional<bool>(false), items[0].inserted) << "before the language switch";
    EXPECT_EQ(std::nullopt, items[1].inserted) << "inside the encrypted section";
    EXPECT_EQ(std::nullopt, items[2].inserted) << "inside the encrypted section";
}
}  // namespace
