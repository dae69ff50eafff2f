// A real PostScript job with page features put in still renders, with the same page count
// (Ghostscript's bbox device reports one bounding box per page). Skipped where Ghostscript is
// missing; the test command installs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "InserterHarness.h"
#include "tests/support/TestFolders.h"

namespace {
// The PostScript between the language line and the next UEL, as Ghostscript wants it.
std::string Unwrapped(const std::string& job) {
    const std::string line = "@PJL ENTER LANGUAGE=POSTSCRIPT\r\n";
    const std::size_t start = job.find(line) + line.size();
    return job.substr(start, job.find("\x1b%-12345X", start) - start);
}

// Pages Ghostscript renders from `postscript`, or -1 when it reports an error.
int RenderedPages(const std::string& postscript, const std::string& name) {
    const auto path = ScratchFolder("ghostscript-render") / name;
    std::ofstream(path, std::ios::binary) << postscript;
    const std::string command =
        "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=bbox '" + path.string() + "' 2>&1";
    FILE* output = popen(command.c_str(), "r");
    std::string text;
    char chunk[4096];
    for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, output)) > 0;) {
        text.append(chunk, n);
    }
    const int status = pclose(output);
    std::filesystem::remove(path);
    if (status != 0 || text.find("Error") != std::string::npos) {
        return -1;
    }
    int pages = 0;
    for (std::size_t at = text.find("%%HiResBoundingBox"); at != std::string::npos;
         at = text.find("%%HiResBoundingBox", at + 1)) {
        ++pages;
    }
    return pages;
}

TEST(GhostscriptRender, AJobWithPageFeaturesStillRendersEveryPage) {
    if (std::system("gs --version > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "Ghostscript (gs) is not installed";
    }
    InserterJob job;
    job.input = ExampleJob("doc003.ps2write-drv-simpinitg.pjl.ps");
    job.properties = {
        {u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_1", u"Duplex=TwoSidedLongEdge:MediaPosition=1"},
        {u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_2", u"ColorMode=Monochrome"},
        {u"PAGE_LEVEL_FEATURES_DELTA_FOR_PAGE_3", u"Duplex=OneSided"}};
    job.items.emplace_back(BeforeEndSetup, CXString(WIDE("% job-level setup\n")));
    const InserterRun run = RunInserter(job);
    EXPECT_NE(std::string::npos,
              run.output.find("<< /ProcessColorModel /DeviceGray >> setpagedevice"));
    const int original = RenderedPages(Unwrapped(job.input), "cv-original.ps");
    EXPECT_EQ(3, original);
    EXPECT_EQ(original, RenderedPages(Unwrapped(run.output), "cv-with-features.ps"));
}
}  // namespace
