// The stream buffer's reuse of what it learned (searches resumed, the front moved instead of the
// bytes) against the plain way, over many fills, searches and shifts of a stream dense with
// markers: every answer must be the same.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "FilterPipeline/PDLStreamFilter/PdlStreamBuffer.h"

namespace {
// Both buffers take the same steps; every search must answer the same.
class TwoBuffers {
  public:
    void Fill(const std::string& bytes) {
        for (PdlStreamBuffer* buffer : {&reused, &plain}) {
            buffer->MakeRoom(static_cast<DWORD>(bytes.size()));
            std::memcpy(buffer->FillPosition(), bytes.data(), bytes.size());
            buffer->Advance(static_cast<DWORD>(bytes.size()));
        }
    }
    void Shift(DWORD consumed) {
        reused.Shift(consumed);
        plain.Shift(consumed);
    }
    std::optional<DWORD> Find(DWORD n, std::string_view marker) {
        const std::optional<DWORD> expected = plain.FindMarker(0, n, marker);
        EXPECT_EQ(expected, reused.FindMarker(0, n, marker)) << marker << " within " << n;
        return expected;
    }

    PdlStreamBuffer reused{true};
    PdlStreamBuffer plain{false};
};

// The edges of what a search may keep: an occurrence right at the end of the range, one whose
// last byte is not held yet, and one right behind what was cleared when the front moves.
TEST(StreamBuffer, WhatASearchKeepsEndsExactlyAtItsEdges) {
    constexpr std::string_view kMarker = "ab";
    {
        TwoBuffers buffers;
        buffers.Fill("xxxxab");
        EXPECT_EQ(DWORD{4}, buffers.Find(5, kMarker));
        EXPECT_EQ(std::nullopt, buffers.Find(4, kMarker)) << "found at the range's end is outside";
    }
    {
        TwoBuffers buffers;
        buffers.Fill("xxxxa");
        EXPECT_EQ(std::nullopt, buffers.Find(5, kMarker));
        buffers.Fill("b");
        EXPECT_EQ(DWORD{4}, buffers.Find(6, kMarker)) << "its last byte came with the refill";
    }
    {
        TwoBuffers buffers;
        buffers.Fill("xxxxabxx");
        EXPECT_EQ(std::nullopt, buffers.Find(4, kMarker));
        buffers.Shift(1);
        EXPECT_EQ(DWORD{3}, buffers.Find(4, kMarker)) << "right behind the cleared part";
    }
}

TEST(StreamBuffer, ReusedSearchesAndShiftsGiveThePlainAnswers) {
    constexpr std::string_view kMarkers[] = {"ab", "abab", "b", "%%EndSetup", "zz"};
    std::mt19937 random(1234);
    std::string stream;
    while (stream.size() < (4u << 20)) {
        stream += random() % 12 == 0 ? std::string(kMarkers[random() % 5])
                                     : std::string(1 + random() % 400, "axyz%"[random() % 5]);
    }
    TwoBuffers buffers;
    std::size_t read = 0;
    for (int step = 0; step < 20000 && read < stream.size() && !HasFailure(); ++step) {
        const DWORD wanted = std::min<DWORD>(buffers.plain.Free(), random() % 70000);
        const std::size_t count = std::min<std::size_t>(wanted, stream.size() - read);
        buffers.Fill(stream.substr(read, count));
        read += count;
        const DWORD held = buffers.plain.Held();
        ASSERT_EQ(0, std::memcmp(buffers.reused.Data(), buffers.plain.Data(), held)) << step;
        // Each marker twice, the second time farther (or to the end), where a resumed search
        // must pick up exactly where the first one stopped.
        for (const std::string_view marker : kMarkers) {
            const DWORD first = static_cast<DWORD>(random() % (held + 1));
            buffers.Find(first, marker);
            buffers.Find(random() % 2 == 0 ? held : first + (held - first) / 2, marker);
        }
        const std::optional<DWORD> next = buffers.Find(held, kMarkers[0]);
        buffers.Shift(random() % 2 == 0 && next ? *next + static_cast<DWORD>(random() % 3)
                                                : static_cast<DWORD>(random() % 5000));
    }
    EXPECT_GT(read, stream.size() / 2) << "the walk went far into the stream";
}
}  // namespace
