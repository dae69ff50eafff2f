// Invariant date and time pictures and sequential UUIDs of the stand-in layer.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "seam/Win32Seam.h"

namespace {
std::u16string Date(const SYSTEMTIME& time, const char16_t* picture, DWORD flags = 0) {
    char16_t text[64] = {};
    const int length = GetDateFormatEx(u"", flags, &time, picture, text, 64, nullptr);
    return length > 0 ? std::u16string(text, static_cast<std::size_t>(length) - 1) : u"<failed>";
}

std::u16string Time(const SYSTEMTIME& time, const char16_t* picture, DWORD flags) {
    char16_t text[64] = {};
    const int length = GetTimeFormatEx(u"", flags, &time, picture, text, 64);
    return length > 0 ? std::u16string(text, static_cast<std::size_t>(length) - 1) : u"<failed>";
}

const SYSTEMTIME kAfternoon = {2024, 3, 2, 5, 13, 5, 9, 456};

TEST(TimeAndLocale, DatePicturesOfTheInvariantLocale) {
    struct Case {
        const char16_t* picture;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"yyyy-MM-dd", u"2024-03-05"},
        {u"d/M/yy", u"5/3/24"},
        {u"dddd, MMMM d", u"Tuesday, March 5"},
        {u"ddd MMM", u"Tue Mar"},
        {u"'day' d 'o''clock'", u"day 5 o'clock"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Date(kAfternoon, c.picture));
    }
}

TEST(TimeAndLocale, TimePicturesFollowTheTwentyFourHourAndMarkerFlags) {
    struct Case {
        const char16_t* picture;
        DWORD flags;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"hh:mm:ss", TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, u"13:05:09"},
        {u"hh:mm:ss tt", 0, u"01:05:09 PM"},
        {u"hh:mm:ss tt", TIME_NOTIMEMARKER, u"01:05:09 "},
        {u"H:m:s", 0, u"13:5:9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, Time(kAfternoon, c.picture, c.flags)) << c.flags;
    }
}

TEST(TimeAndLocale, InvalidInputFailsWithInvalidParameter) {
    const SYSTEMTIME month13 = {2024, 13, 0, 5, 7, 8, 9, 0};
    const SYSTEMTIME february29 = {2023, 2, 0, 29, 7, 8, 9, 0};
    const SYSTEMTIME hour24 = {2024, 3, 0, 5, 24, 0, 0, 0};
    char16_t text[64];
    EXPECT_EQ(0, GetDateFormatEx(u"", 0, &month13, u"yyyy", text, 64, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(0, GetDateFormatEx(u"", 0, &february29, u"yyyy", text, 64, nullptr));
    EXPECT_EQ(0, GetTimeFormatEx(u"", 0, &hour24, u"hh", text, 64));
    EXPECT_EQ(0, GetDateFormatEx(u"en-US", 0, &kAfternoon, u"yyyy", text, 64, nullptr))
        << "only the invariant locale is served";
}

TEST(TimeAndLocale, ASizeQueryCountsTheTerminatorAndAShortBufferFails) {
    EXPECT_EQ(11, GetDateFormatEx(u"", 0, &kAfternoon, u"yyyy-MM-dd", nullptr, 0, nullptr));
    char16_t small[4];
    EXPECT_EQ(0, GetDateFormatEx(u"", 0, &kAfternoon, u"yyyy-MM-dd", small, 4, nullptr));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
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
