// Invariant date and time pictures of the stand-in layer as the Atrium helper uses them, and
// sequential UUIDs for job folder names.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "seam/Win32Seam.h"

namespace {
TEST(TimeAndLocale, TheAtriumPicturesAndTheirFailures) {
    struct Case {
        const char* label;
        SYSTEMTIME time;
        bool date;
        int room;
        std::u16string expected;  // empty: the call fails with `error`
        DWORD error;
    };
    const SYSTEMTIME afternoon = {2024, 3, 2, 5, 13, 5, 9, 456};
    const Case cases[] = {
        {"the date", afternoon, true, 64, u"2024-03-05", ERROR_SUCCESS},
        {"the time, 24 hours, no marker", afternoon, false, 64, u"13:05:09", ERROR_SUCCESS},
        {"month 13", {2024, 13, 0, 5, 7, 8, 9, 0}, true, 64, u"", ERROR_INVALID_PARAMETER},
        {"February 29 of 2023",
         {2023, 2, 0, 29, 7, 8, 9, 0},
         true,
         64,
         u"",
         ERROR_INVALID_PARAMETER},
        {"hour 24", {2024, 3, 0, 5, 24, 0, 0, 0}, false, 64, u"", ERROR_INVALID_PARAMETER},
        {"a buffer too short", afternoon, true, 4, u"", ERROR_INSUFFICIENT_BUFFER},
    };
    const DWORD timeFlags = TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER;
    for (const Case& c : cases) {
        char16_t text[64] = {};
        const int length =
            c.date ? GetDateFormatEx(u"", 0, &c.time, u"yyyy-MM-dd", text, c.room, nullptr)
                   : GetTimeFormatEx(u"", timeFlags, &c.time, u"hh:mm:ss", text, c.room);
        if (c.expected.empty()) {
            EXPECT_EQ(0, length) << c.label;
            EXPECT_EQ(c.error, GetLastError()) << c.label;
        } else {
            EXPECT_EQ(c.expected, std::u16string(text)) << c.label;
            EXPECT_EQ(static_cast<int>(c.expected.size()) + 1, length) << c.label;
        }
    }
    EXPECT_EQ(11, GetDateFormatEx(u"", 0, &afternoon, u"yyyy-MM-dd", nullptr, 0, nullptr))
        << "a size query counts the terminator";
}

TEST(TimeAndLocale, SequentialUuidsAreUniqueIncreasingVersionOneValues) {
    std::set<std::uint64_t> timestamps;
    std::uint64_t previous = 0;
    for (int i = 0; i < 2000; ++i) {
        UUID id{};
        EXPECT_EQ(RPC_S_UUID_LOCAL_ONLY, UuidCreateSequential(&id));
        const std::uint64_t timestamp = (static_cast<std::uint64_t>(id.Data3 & 0x0FFF) << 48) |
                                        (static_cast<std::uint64_t>(id.Data2) << 32) | id.Data1;
        EXPECT_EQ(0x1000, id.Data3 & 0xF000) << "version 1";
        EXPECT_EQ(0x80, id.Data4[0] & 0xC0) << "RFC 4122 variant";
        EXPECT_GT(timestamp, previous);
        previous = timestamp;
        timestamps.insert(timestamp);
    }
    EXPECT_EQ(2000u, timestamps.size());
}
}  // namespace
