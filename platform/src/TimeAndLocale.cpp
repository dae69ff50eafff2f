// System time, invariant date and time pictures, and sequential UUIDs of the stand-in layer.
#include "cvplatform/TimeAndLocale.h"

#include <ctime>
#include <mutex>
#include <random>
#include <string>

#include "cvplatform/ErrorHandling.h"

namespace {
using WideText = std::basic_string<WCHAR>;

const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool IsValidDate(const SYSTEMTIME& t) {
    return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
           t.wDay <= DaysInMonth(t.wYear, t.wMonth);
}

bool IsValidTime(const SYSTEMTIME& t) {
    return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

int DayOfWeek(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    year -= month < 3;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

void AppendNumber(WideText& out, int value, int minimumDigits) {
    std::string digits = std::to_string(value);
    while (static_cast<int>(digits.size()) < minimumDigits) {
        digits.insert(digits.begin(), '0');
    }
    out.append(digits.begin(), digits.end());
}

void AppendAscii(WideText& out, const char* text, std::size_t count) {
    out.append(text, text + count);
}

// Expands one run of a picture letter; false for a run this picture does not know.
using RunExpander = bool (*)(WideText& out, WCHAR letter, int run, const SYSTEMTIME& t,
                             DWORD flags);

bool ExpandDateRun(WideText& out, WCHAR letter, int run, const SYSTEMTIME& t, DWORD) {
    if (letter == 'd') {
        if (run <= 2) {
            AppendNumber(out, t.wDay, run);
        } else {
            const char* name = kDayNames[DayOfWeek(t.wYear, t.wMonth, t.wDay)];
            AppendAscii(out, name, run == 3 ? 3 : std::char_traits<char>::length(name));
        }
        return true;
    }
    if (letter == 'M') {
        if (run <= 2) {
            AppendNumber(out, t.wMonth, run);
        } else {
            const char* name = kMonthNames[t.wMonth - 1];
            AppendAscii(out, name, run == 3 ? 3 : std::char_traits<char>::length(name));
        }
        return true;
    }
    if (letter == 'y') {
        if (run <= 2) {
            AppendNumber(out, t.wYear % 100, run);
        } else {
            AppendNumber(out, t.wYear, run);
        }
        return true;
    }
    return false;
}

bool ExpandTimeRun(WideText& out, WCHAR letter, int run, const SYSTEMTIME& t, DWORD flags) {
    const bool force24 = (flags & TIME_FORCE24HOURFORMAT) != 0;
    switch (letter) {
        case 'h':
            AppendNumber(out, force24 ? t.wHour : (t.wHour % 12 == 0 ? 12 : t.wHour % 12),
                         run > 1 ? 2 : 1);
            return true;
        case 'H':
            AppendNumber(out, t.wHour, run > 1 ? 2 : 1);
            return true;
        case 'm':
            AppendNumber(out, t.wMinute, run > 1 ? 2 : 1);
            return true;
        case 's':
            AppendNumber(out, t.wSecond, run > 1 ? 2 : 1);
            return true;
        case 't':
            if ((flags & TIME_NOTIMEMARKER) == 0) {
                AppendAscii(out, t.wHour < 12 ? "AM" : "PM", run > 1 ? 2 : 1);
            }
            return true;
        default:
            return false;
    }
}

bool IsPictureLetter(WCHAR c) {
    return c == 'd' || c == 'M' || c == 'y' || c == 'g' || c == 'h' || c == 'H' || c == 'm' ||
           c == 's' || c == 't';
}

// Walks a picture: letters in runs, 'quoted' text and '' for a quote, anything else as is.
bool ExpandPicture(LPCWSTR picture, const SYSTEMTIME& t, DWORD flags, RunExpander expand,
                   WideText& out) {
    for (LPCWSTR p = picture; *p != 0;) {
        if (*p == '\'') {
            ++p;
            while (*p != 0 && !(p[0] == '\'' && p[1] != '\'')) {
                out += *p;
                p += p[0] == '\'' ? 2 : 1;
            }
            p += *p == '\'' ? 1 : 0;
            continue;
        }
        if (!IsPictureLetter(*p)) {
            out += *p++;
            continue;
        }
        int run = 1;
        while (p[run] == p[0]) {
            ++run;
        }
        if (!expand(out, p[0], run, t, flags)) {
            return false;
        }
        p += run;
    }
    return true;
}

int CopyOut(const WideText& text, LPWSTR out, int capacity) {
    const int needed = static_cast<int>(text.size()) + 1;
    if (capacity == 0) {
        return needed;
    }
    if (out == nullptr || capacity < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(text.begin(), text.end(), out);
    out[text.size()] = 0;
    return needed;
}

int Format(LPCWSTR locale, const SYSTEMTIME* time, LPCWSTR picture, LPWSTR out, int capacity,
           DWORD flags, bool valid, RunExpander expand) {
    WideText text;
    if (locale == nullptr || locale[0] != 0 || time == nullptr || picture == nullptr ||
        capacity < 0 || !valid || !ExpandPicture(picture, *time, flags, expand, text)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return CopyOut(text, out, capacity);
}
}  // namespace

void GetSystemTime(SYSTEMTIME* lpSystemTime) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm utc{};
    gmtime_r(&now.tv_sec, &utc);
    lpSystemTime->wYear = static_cast<WORD>(utc.tm_year + 1900);
    lpSystemTime->wMonth = static_cast<WORD>(utc.tm_mon + 1);
    lpSystemTime->wDayOfWeek = static_cast<WORD>(utc.tm_wday);
    lpSystemTime->wDay = static_cast<WORD>(utc.tm_mday);
    lpSystemTime->wHour = static_cast<WORD>(utc.tm_hour);
    lpSystemTime->wMinute = static_cast<WORD>(utc.tm_min);
    lpSystemTime->wSecond = static_cast<WORD>(utc.tm_sec);
    lpSystemTime->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

int GetDateFormatEx(LPCWSTR lpLocaleName, DWORD dwFlags, const SYSTEMTIME* lpDate, LPCWSTR lpFormat,
                    LPWSTR lpDateStr, int cchDate, LPCWSTR) {
    return Format(lpLocaleName, lpDate, lpFormat, lpDateStr, cchDate, dwFlags,
                  lpDate != nullptr && IsValidDate(*lpDate), ExpandDateRun);
}

int GetTimeFormatEx(LPCWSTR lpLocaleName, DWORD dwFlags, const SYSTEMTIME* lpTime, LPCWSTR lpFormat,
                    LPWSTR lpTimeStr, int cchTime) {
    return Format(lpLocaleName, lpTime, lpFormat, lpTimeStr, cchTime, dwFlags,
                  lpTime != nullptr && IsValidTime(*lpTime), ExpandTimeRun);
}

RPC_STATUS UuidCreateSequential(UUID* Uuid) {
    static std::mutex mutex;
    static std::uint64_t lastTimestamp = 0;
    static std::uint16_t clockSequence = 0;
    static std::uint8_t node[6] = {};
    static bool seeded = false;
    const std::lock_guard<std::mutex> lock(mutex);
    if (!seeded) {
        std::random_device device;
        for (std::uint8_t& byte : node) {
            byte = static_cast<std::uint8_t>(device());
        }
        node[0] |= 0x01;  // multicast bit: a random node, not a hardware address
        clockSequence = static_cast<std::uint16_t>(device() & 0x3FFF);
        seeded = true;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    constexpr std::uint64_t kGregorianToUnix = 0x01B21DD213814000ull;  // 100-ns intervals
    std::uint64_t timestamp = kGregorianToUnix +
                              static_cast<std::uint64_t>(now.tv_sec) * 10000000ull +
                              static_cast<std::uint64_t>(now.tv_nsec) / 100;
    timestamp = timestamp > lastTimestamp ? timestamp : lastTimestamp + 1;
    lastTimestamp = timestamp;
    Uuid->Data1 = static_cast<std::uint32_t>(timestamp);
    Uuid->Data2 = static_cast<std::uint16_t>(timestamp >> 32);
    Uuid->Data3 = static_cast<std::uint16_t>(((timestamp >> 48) & 0x0FFF) | 0x1000);
    Uuid->Data4[0] = static_cast<std::uint8_t>(((clockSequence >> 8) & 0x3F) | 0x80);
    Uuid->Data4[1] = static_cast<std::uint8_t>(clockSequence);
    std::copy(std::begin(node), std::end(node), Uuid->Data4 + 2);
    // The node is random, not a network address: unique on this machine, as Windows says of a
    // UUID made without one.
    return RPC_S_UUID_LOCAL_ONLY;
}
