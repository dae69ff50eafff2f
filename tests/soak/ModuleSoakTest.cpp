// Many whole jobs at once in one process, as a print spooler hosts filters: eight threads, each
// running every kind of job through the module's exports round after round. Each output must be
// the one the same job gives alone; afterwards the module is unloadable, and between the first and
// the last half of the rounds no descriptor and no memory beyond a margin was kept.
// CV_SOAK_ROUNDS sets the rounds per thread (200 for the long soak; `make test` keeps to seconds).
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "companion/Utilities/MeridianDecryption.h"
#include "host/account/JobReport.h"
#include "host/job/JobFile.h"
#include "host/job/TextConversion.h"
#include "host/pipeline/FilterModule.h"
#include "host/pipeline/JobCancellation.h"
#include "host/pipeline/JobRun.h"
#include "tests/support/TestFolders.h"

namespace {
constexpr int kThreads = 8;
constexpr const char* kPassPhrase = "soak pass phrase";

int Rounds() {
    if (const char* rounds = std::getenv("CV_SOAK_ROUNDS")) {
        return std::max(2, std::atoi(rounds));
    }
#if defined(_WIN32)
    return 6;
#elif defined(__SANITIZE_ADDRESS__)
    return 8;
#else
    return 24;
#endif
}

struct Kind {
    const char* label;
    std::string jobFile;
    const char* input;
    bool cancelled = false;
    bool encrypted = false;
    bool atrium = false;  // the output is the content file of its Atrium job folder
};

std::vector<Kind> Kinds() {
    std::vector<Kind> kinds = {
        {"PostScript with items and page features",
         R"({ "driver": { "pdl": 7363 }, "everyPageFeatures": "Duplex=TwoSidedLongEdge",
              "properties": { "Corvo_PjlToInsert": "@PJL SET HOLD=ON\r\n",
                              "Corvo_JobLevelPsToInsert": "<< /Collate true >> setpagedevice\n",
                              "Corvo_JobLevelPsCommentsToInsert": "%%For: soak\n",
                              "RemoveNativeStaplingFlag": null } })",
         "doc003.ps2write-drv-staple-simpinitg.pjl.ps"},
        {"PCL XL with a ticket",
         R"({ "driver": { "pdl": 7360, "printStreamQFCICompliant": true },
              "properties": { "Corvo_QcptForNonXps": "<QCPT/>" } })",
         "doc001.pxlmono.pjl.pxl"},
        {"encrypted PostScript",
         std::string(
             R"({ "driver": { "pdl": 7363 }, "properties": { "PDLEncryptionPassPhrase": ")") +
             kPassPhrase + R"(" } })",
         "doc001.ps2write-drv.pjl.ps", false, true},
        {"a job the filter refuses",
         std::string(
             R"({ "driver": { "pdl": 7363 }, "properties": { "PDLEncryptionPassPhrase": ")") +
             kPassPhrase + R"(" } })",
         "doc001.pdfwrite.pdf"},
        {"a cancelled job", R"({ "driver": { "pdl": 7363 } })", "doc001.ps2write-drv.pjl.ps", true},
    };
#if !defined(_WIN32)
    // On Windows the printer's settings come from the real spooler, which has no such printer,
    // so the job would not be handed off at all.
    kinds.push_back({"an Atrium hand-off",
                     R"({ "driver": { "pdl": 7363 },
              "properties": { "Corvo_QcptForNonXps": "<QCPT version=\"1\"><Copies>1</Copies></QCPT>" },
              "printer": { "name": "Soak release", "printerData": { "UseCorvoAtrium": 1 } },
              "job": { "id": 7, "documentName": "Soak", "userName": "soak" },
              "programData": "cv-soak-programdata" })",
                     "doc001.ps2write-drv.pjl.ps", false, false, true});
#endif
    return kinds;
}

struct Result {
    HRESULT result = E_UNEXPECTED;
    std::string output;
    std::string message;
};

std::string ReadAll(std::FILE* file) {
    std::string bytes;
    std::rewind(file);
    char block[65536];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) != 0;) {
        bytes.append(block, got);
    }
    return bytes;
}

// Each Atrium job has a folder of its own (named by a new UUID); it is removed once read.
std::string AtriumContent(const std::vector<nlohmann::ordered_json>& account) {
    const auto folder = JobReport::AtriumJobFolder(account);
    if (!folder.is_string()) {
        return "(no Atrium job folder)";
    }
    std::FILE* content = std::fopen(
        (std::filesystem::path(folder.get<std::string>()) / "JobContent.out").string().c_str(),
        "rb");
    std::string bytes = content != nullptr ? ReadAll(content) : "(no content file)";
    if (content != nullptr) {
        std::fclose(content);
    }
    std::filesystem::remove_all(folder.get<std::string>());
    return bytes;
}

// The job's input and output are files of its own in the working folder (the build tree's):
// tmpfile() of the Windows C runtime can hand two threads the same file.
Result RunJob(const Kind& kind, const std::string& name) {
    const JobFile job = JobFile::Parse(kind.jobFile, ".");
    const std::filesystem::path inputPath = "cv-soak-" + name + ".in";
    const std::filesystem::path outputPath = "cv-soak-" + name + ".out";
    std::ofstream(inputPath, std::ios::binary) << ExampleJob(kind.input);
    std::FILE* input = std::fopen(inputPath.string().c_str(), "rb");
    std::FILE* output = std::fopen(outputPath.string().c_str(), "w+b");
    Result result;
    if (input != nullptr && output != nullptr) {
        JobCancellation cancellation;
        if (kind.cancelled) {
            cancellation.Cancel();
        }
        std::ostringstream notes;
        const JobRun::Outcome outcome =
            JobRun::Execute(job, input, true, output, notes, &cancellation);
        result = {outcome.result, ReadAll(output), outcome.message};
        if (kind.atrium) {
            result.output = AtriumContent(outcome.account);
        }
    }
    for (std::FILE* file : {input, output}) {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
    std::filesystem::remove(inputPath);
    std::filesystem::remove(outputPath);
    return result;
}

// An encrypted section differs on every run (its salt and nonce); its plaintext does not.
std::string Comparable(const Kind& kind, const std::string& output) {
    return kind.encrypted ? MeridianDecryption::DecryptStream(output, CXString(kPassPhrase))
                          : output;
}

// The process's open descriptors and resident bytes; zero where the system does not tell.
struct Usage {
    std::size_t descriptors = 0;
    std::size_t residentBytes = 0;
};

Usage Measure() {
    Usage usage;
#if !defined(_WIN32)
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++usage.descriptors;
    }
    std::size_t pages = 0;
    std::size_t resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    usage.residentBytes = resident * 4096;
#endif
    return usage;
}

// Every thread waits here until all have come, so that a measure sees none of them mid-job.
class Meeting {
  public:
    explicit Meeting(int parties) : parties(parties) {}
    template <typename Last>
    void Arrive(Last&& last) {
        std::unique_lock<std::mutex> lock(mutex);
        const int round = generation;
        if (++arrived == parties) {
            last();
            arrived = 0;
            ++generation;
            everyone.notify_all();
            return;
        }
        everyone.wait(lock, [&] { return generation != round; });
    }

  private:
    std::mutex mutex;
    std::condition_variable everyone;
    int parties;
    int arrived = 0;
    int generation = 0;
};

TEST(ModuleSoak, EightThreadsOfWholeJobsGiveWhatEachJobGivesAlone) {
    const std::vector<Kind> kinds = Kinds();
    std::vector<Result> alone;
    for (const Kind& kind : kinds) {
        alone.push_back(RunJob(kind, "alone"));
        EXPECT_EQ(kind.cancelled || kind.input == std::string("doc001.pdfwrite.pdf"),
                  FAILED(alone.back().result))
            << kind.label;
        if (kind.atrium) {
            EXPECT_EQ(0u, alone.back().output.find("<QCPT version=\"1\">")) << "its content file";
        }
        alone.back().output = Comparable(kind, alone.back().output);
    }
    const int rounds = Rounds();
    Meeting meeting(kThreads);
    Usage half;
    std::vector<std::vector<std::string>> faults(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < rounds; ++round) {
                if (round == rounds / 2) {
                    meeting.Arrive([&] { half = Measure(); });
                }
                const std::size_t which = static_cast<std::size_t>(t + round) % kinds.size();
                const Result result = RunJob(kinds[which], std::to_string(t));
                if (result.result != alone[which].result ||
                    Comparable(kinds[which], result.output) != alone[which].output) {
                    faults[t].push_back(
                        std::string(kinds[which].label) + " in round " + std::to_string(round) +
                        ": " + TextConversion::HresultText(result.result) + " and " +
                        std::to_string(result.output.size()) + " bytes, not " +
                        TextConversion::HresultText(alone[which].result) + " and " +
                        std::to_string(alone[which].output.size()) + " (" + result.message + ")");
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const Usage end = Measure();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_TRUE(faults[t].empty()) << "thread " << t << ": " << faults[t].size()
                                       << " outputs differ, the first: " << faults[t].front();
    }
    EXPECT_EQ(half.descriptors, end.descriptors) << "descriptors kept by the last rounds";
    EXPECT_LE(end.residentBytes, half.residentBytes + (32u << 20))
        << "resident memory grew from " << half.residentBytes << " to " << end.residentBytes;
    const FilterModule module(FilterModule::PathBesideExecutable());
    EXPECT_EQ(S_OK, module.CanUnloadNow()) << "objects of the module outlive their jobs";
}
}  // namespace
