// The hand-off seen from the consumer's side: a thread that watches the jobs root while jobs are
// produced must never see the files in an order the protocol rules out, and must find a complete,
// well-formed JobSpec.xml in every folder it considers complete.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "FilterPipeline/PDLStreamFilter/CorvoAtriumHelper.h"
#include "companion/FilterUtilities/MsSafeCoInit.h"
#include "companion/Utilities/UtilitiesLibraryHost.h"
#include "tests/support/TestFolders.h"
#include "tests/support/TestSpooler.h"

namespace {
struct Observations {
    int markerBeforeJobSpec = 0;
    int lockGoneBeforeMarker = 0;
    int unreadableCompleteSpecification = 0;
    int completeFoldersSeen = 0;
};

bool Exists(const std::filesystem::path& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

void Inspect(const std::filesystem::path& folder, Observations& seen) {
    // Files only ever appear, except the lock, which goes last. Each look comes before the look at
    // what must exist by then: the content file shows that the lock was made, a missing lock
    // that the marker was written, the marker that JobSpec.xml was.
    const bool content = Exists(folder / "JobContent.out");
    const bool lock = Exists(folder / "ready.lck");
    const bool marker = Exists(folder / "QCPT.ready");
    const bool jobSpec = Exists(folder / "JobSpec.xml");
    seen.markerBeforeJobSpec += marker && !jobSpec;
    seen.lockGoneBeforeMarker += content && !lock && !marker;
    if (lock || !marker) {
        return;
    }
    ++seen.completeFoldersSeen;
    std::ifstream file(folder / "JobSpec.xml", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    try {
        const auto parser = UtilitiesLibraryHost::CreateMicrosoftXmlParser("consumer", false);
        parser->LoadFromBytes(reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(bytes.size()));
        seen.unreadableCompleteSpecification +=
            parser->GetDocumentElement()->GetChildElements().size() != 10;
    } catch (...) {
        ++seen.unreadableCompleteSpecification;
    }
}

TEST(AtriumConsumer, NeverSeesTheFilesOutOfProtocolOrder) {
    const MsSafeCoInit com;
    const TestProgramData programData;
    const CXString queue = TestSpooler::NewPrinter();
    TestSpooler::SetPrinterDataDword(queue, CXString(CorvoAtriumHelper::kPrinterDataValueName), 1);
    const std::filesystem::path root = NativePath(programData.DefaultJobsRoot());
    Observations seen;
    std::atomic<bool> producing{true};
    // The consumer looks while the jobs are produced, and once more after, so that it checks
    // complete folders however the threads were scheduled.
    std::thread consumer([&] {
        const MsSafeCoInit consumerCom;
        bool last = false;
        do {
            last = !producing.load();
            std::error_code ignored;
            for (const auto& job : std::filesystem::directory_iterator(root, ignored)) {
                Inspect(job.path(), seen);
            }
        } while (!last);
    });
    constexpr int kJobs = 20;
    for (int i = 0; i < kJobs; ++i) {
        CorvoAtriumHelper helper(CXString(WIDE("doc")), CXString(WIDE("alice")),
                                 CXString(WIDE("CORP")), queue, CXString(WIDE("application/pdf")),
                                 1, ComReference<IPrintWriteStream>());
        const std::string chunk(4096, 'p');
        for (int block = 0; block < 8; ++block) {
            helper.GetJobContentFile()->WriteToTheFile(static_cast<DWORD>(chunk.size()),
                                                       chunk.data(), 0xFFFFFFFFu);
        }
        helper.FinishJob(i % 3 != 0);
    }
    producing.store(false);
    consumer.join();
    EXPECT_EQ(0, seen.markerBeforeJobSpec);
    EXPECT_EQ(0, seen.lockGoneBeforeMarker);
    EXPECT_EQ(0, seen.unreadableCompleteSpecification);
    EXPECT_GE(seen.completeFoldersSeen, kJobs) << "at least the last look sees every job complete";
}
}  // namespace
