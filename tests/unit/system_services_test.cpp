#include "platform/global_lock.h"
#include "support/times.h"
#include "vetrel/com.h"

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <thread>

namespace {

using WideString = std::basic_string<WCHAR>;
using vetrel::test::fileTime;
using vetrel::test::ticks;

WideString wide(std::u16string_view text)
{
    return WideString(text.begin(), text.end());
}

// --- Global memory ---------------------------------------------------------------------------

TEST(GlobalMemory, FixedBlockIsItsOwnAddress)
{
    HGLOBAL block = GlobalAlloc(GPTR, 16);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 16u);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    EXPECT_EQ(static_cast<void*>(bytes), block);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(bytes[i], 0) << "zero-initialised, byte " << i;
    EXPECT_TRUE(GlobalUnlock(block)) << "fixed blocks are never locked";
    EXPECT_EQ(GlobalFlags(block), 0u);

    // A fixed block keeps its address unless it may move.
    EXPECT_EQ(GlobalReAlloc(block, 8, 0), block);
    EXPECT_EQ(GlobalSize(block), 8u);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GlobalReAlloc(block, 1 << 20, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    HGLOBAL moved = GlobalReAlloc(block, 1 << 20, GMEM_MOVEABLE);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(GlobalSize(moved), static_cast<SIZE_T>(1 << 20));
    EXPECT_EQ(GlobalLock(moved), moved);
    EXPECT_EQ(GlobalFree(moved), nullptr);
}

TEST(GlobalMemory, MoveableBlockCountsItsLocks)
{
    HGLOBAL handle = GlobalAlloc(GHND, 16);
    ASSERT_NE(handle, nullptr);
    void* first = GlobalLock(handle);
    void* second = GlobalLock(handle);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(static_cast<unsigned char*>(first)[15], 0);
    EXPECT_EQ(GlobalFlags(handle) & GMEM_LOCKCOUNT, 2u);

    // A locked block moves to grow only when the caller allows it, and keeps its handle.
    EXPECT_EQ(GlobalReAlloc(handle, 1 << 20, 0), nullptr);
    EXPECT_EQ(GlobalReAlloc(handle, 64, GMEM_MOVEABLE), handle);
    EXPECT_EQ(GlobalSize(handle), 64u);

    SetLastError(12345);
    EXPECT_TRUE(GlobalUnlock(handle)) << "still locked once";
    EXPECT_EQ(GetLastError(), 12345u);
    EXPECT_FALSE(GlobalUnlock(handle));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "unlocked for good";
    EXPECT_FALSE(GlobalUnlock(handle));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));

    // Unlocked, it grows under the same handle, zero-filled as asked.
    EXPECT_EQ(GlobalReAlloc(handle, 1000, GMEM_MOVEABLE | GMEM_ZEROINIT), handle);
    EXPECT_EQ(GlobalSize(handle), 1000u);
    {
        vetrel::GlobalLock scope(handle);
        ASSERT_TRUE(scope);
        EXPECT_EQ(scope.as<unsigned char>()[999], 0);
        EXPECT_EQ(GlobalFlags(handle) & GMEM_LOCKCOUNT, 1u);
    }
    EXPECT_EQ(GlobalFlags(handle) & GMEM_LOCKCOUNT, 0u) << "the scope unlocks";
    EXPECT_EQ(GlobalFree(handle), nullptr);
}

TEST(GlobalMemory, EmptyAndForeignHandles)
{
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalLock(empty), nullptr);
    EXPECT_EQ(GlobalSize(empty), 0u);
    EXPECT_EQ(GlobalFlags(empty), static_cast<UINT>(GMEM_DISCARDED));
    {
        vetrel::GlobalLock scope(empty);
        EXPECT_FALSE(scope);
    }
    EXPECT_EQ(GlobalFree(empty), nullptr);

    HGLOBAL locked = GlobalAlloc(GMEM_MOVEABLE, 4);
    ASSERT_NE(GlobalLock(locked), nullptr);
    EXPECT_EQ(GlobalFree(locked), nullptr) << "a locked block can still be freed";

    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
    EXPECT_EQ(GlobalSize(nullptr), 0u);
}

// --- Clipboard formats -----------------------------------------------------------------------

TEST(ClipboardFormats, OneNumberPerNameRegardlessOfCase)
{
    UINT data = RegisterClipboardFormatA("OPCSTMFORMATDATA");
    UINT dataTime = RegisterClipboardFormatA("OPCSTMFORMATDATATIME");
    UINT writeComplete = RegisterClipboardFormatA("OPCSTMFORMATWRITECOMPLETE");
    for (UINT format : {data, dataTime, writeComplete}) {
        EXPECT_GE(format, 0xC000u);
        EXPECT_LE(format, 0xFFFFu);
    }
    EXPECT_NE(data, dataTime);
    EXPECT_NE(dataTime, writeComplete);
    EXPECT_NE(data, writeComplete);
    EXPECT_EQ(RegisterClipboardFormatA("OPCSTMFORMATDATA"), data);
    EXPECT_EQ(RegisterClipboardFormatA("opcStmFormatData"), data);
    EXPECT_EQ(RegisterClipboardFormatA("\xE4rger"), RegisterClipboardFormatA("\xC4RGER"));

    std::thread([&] {
        EXPECT_EQ(RegisterClipboardFormatA("OpcStmFormatDataTime"), dataTime);
    }).join();

    EXPECT_EQ(RegisterClipboardFormatA(""), 0u);
    EXPECT_NE(RegisterClipboardFormatA(std::string(255, 'n').c_str()), 0u);
    EXPECT_EQ(RegisterClipboardFormatA(std::string(256, 'n').c_str()), 0u);
}

// --- Last error and threads ------------------------------------------------------------------

TEST(Threads, LastErrorAndIdentityBelongToTheThread)
{
    // The threads hand over through atomics only: any system call may reset the last error.
    std::atomic<int> stage{0};
    DWORD otherThread = 0;
    DWORD otherError = 0;
    std::thread other([&] {
        while (stage.load() != 1) {}
        SetLastError(ERROR_NO_MORE_ITEMS);
        otherThread = GetCurrentThreadId();
        stage.store(2);
        while (stage.load() != 3) {}
        otherError = GetLastError();
    });
    SetLastError(ERROR_ACCESS_DENIED);
    stage.store(1);
    while (stage.load() != 2) {}
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    SetLastError(ERROR_BADKEY);
    stage.store(3);
    other.join();
    EXPECT_EQ(otherError, static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    EXPECT_NE(otherThread, GetCurrentThreadId());
    EXPECT_EQ(GetCurrentThreadId(), GetCurrentThreadId());
}

TEST(Threads, TickCountsShareOneMonotonicClock)
{
    ULONGLONG before = GetTickCount64();
    DWORD between = GetTickCount();
    Sleep(1);
    ULONGLONG after = GetTickCount64();
    EXPECT_GE(after, before) << "the count never goes back";
    EXPECT_LE(between - static_cast<DWORD>(before), static_cast<DWORD>(after - before))
        << "GetTickCount is the low half of the same count";
}

// --- Time ------------------------------------------------------------------------------------

TEST(SystemTime, ConvertsToAndFromFileTime)
{
    EXPECT_EQ(ticks(fileTime(1601, 1, 1, 0, 0, 0)), 0u);
    EXPECT_EQ(ticks(fileTime(1970, 1, 1, 0, 0, 0)), 116444736000000000ULL);
    EXPECT_EQ(ticks(fileTime(2000, 2, 29, 23, 59, 59, 999)), 125963423999990000ULL);

    FILETIME time = fileTime(2024, 12, 31, 13, 14, 15, 678);
    SYSTEMTIME back{};
    ASSERT_TRUE(FileTimeToSystemTime(&time, &back));
    EXPECT_EQ(back.wYear, 2024);
    EXPECT_EQ(back.wMonth, 12);
    EXPECT_EQ(back.wDay, 31);
    EXPECT_EQ(back.wDayOfWeek, 2) << "a Tuesday";
    EXPECT_EQ(back.wHour, 13);
    EXPECT_EQ(back.wMinute, 14);
    EXPECT_EQ(back.wSecond, 15);
    EXPECT_EQ(back.wMilliseconds, 678);

    const SYSTEMTIME invalid[] = {
        {2001, 2, 0, 30, 0, 0, 0, 0}, {2000, 13, 0, 1, 0, 0, 0, 0},   {2000, 1, 0, 0, 0, 0, 0, 0},
        {2000, 4, 0, 31, 0, 0, 0, 0}, {2000, 1, 0, 1, 24, 0, 0, 0},   {2000, 1, 0, 1, 0, 60, 0, 0},
        {2000, 1, 0, 1, 0, 0, 60, 0}, {2000, 1, 0, 1, 0, 0, 0, 1000}, {1600, 12, 0, 31, 0, 0, 0, 0},
    };
    for (const SYSTEMTIME& fields : invalid) {
        FILETIME untouched{};
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(SystemTimeToFileTime(&fields, &untouched))
            << fields.wYear << "-" << fields.wMonth << "-" << fields.wDay;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    FILETIME tooLarge{0, 0x80000000};
    EXPECT_FALSE(FileTimeToSystemTime(&tooLarge, &back));

    FILETIME earlier = fileTime(2024, 1, 1, 0, 0, 0), later = fileTime(2024, 1, 1, 0, 0, 1);
    EXPECT_EQ(CompareFileTime(&earlier, &later), -1);
    EXPECT_EQ(CompareFileTime(&later, &earlier), 1);
    EXPECT_EQ(CompareFileTime(&later, &later), 0);

    // A day is checked against the longest its month can be: 29 February 2001 is 1 March.
    EXPECT_EQ(ticks(fileTime(2001, 2, 29, 0, 0, 0)), ticks(fileTime(2001, 3, 1, 0, 0, 0)));
}

TEST(SystemTime, ClockReadingsAgree)
{
    FILETIME before{}, after{};
    SYSTEMTIME now{};
    GetSystemTimeAsFileTime(&before);
    GetSystemTime(&now);
    EXPECT_EQ(CoFileTimeNow(&after), S_OK);
    FILETIME nowAsFileTime{};
    ASSERT_TRUE(SystemTimeToFileTime(&now, &nowAsFileTime));
    // The SYSTEMTIME reading is cut to milliseconds.
    EXPECT_GE(ticks(nowAsFileTime), ticks(before) / 10000 * 10000);
    EXPECT_LE(ticks(nowAsFileTime), ticks(after));
    EXPECT_LE(ticks(before), ticks(after));

    // Local time is UTC shifted by the zone's bias, both ways.
    FILETIME local{}, utc{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&before, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    EXPECT_EQ(ticks(utc), ticks(before));
    SYSTEMTIME localNow{};
    GetLocalTime(&localNow);
    FILETIME localNowAsFileTime{};
    ASSERT_TRUE(SystemTimeToFileTime(&localNow, &localNowAsFileTime));
    LONGLONG bias = static_cast<LONGLONG>(ticks(local) - ticks(before));
    LONGLONG readBias = static_cast<LONGLONG>(ticks(localNowAsFileTime) - ticks(nowAsFileTime));
    // Whole minutes apart, read at nearly the same moment: round both to minutes.
    EXPECT_EQ((bias + 300000000) / 600000000, (readBias + 300000000) / 600000000);
}

TEST(DosTime, ConvertsWithTwoSecondSteps)
{
    WORD date = 0, time = 0;
    FILETIME moment = fileTime(2000, 6, 15, 12, 34, 57, 999);
    ASSERT_TRUE(CoFileTimeToDosDateTime(&moment, &date, &time));
    EXPECT_EQ(date, 0x28CF);
    EXPECT_EQ(time, 0x645C) << "odd seconds and milliseconds are cut";

    FILETIME back{};
    ASSERT_TRUE(CoDosDateTimeToFileTime(date, time, &back));
    EXPECT_EQ(ticks(back), ticks(fileTime(2000, 6, 15, 12, 34, 56)));

    FILETIME first = fileTime(1980, 1, 1, 0, 0, 0);
    ASSERT_TRUE(CoFileTimeToDosDateTime(&first, &date, &time));
    EXPECT_EQ(date, 0x0021);
    EXPECT_EQ(time, 0x0000);
    FILETIME last = fileTime(2107, 12, 31, 23, 59, 59, 999);
    ASSERT_TRUE(CoFileTimeToDosDateTime(&last, &date, &time));
    EXPECT_EQ(date, 0xFF9F);
    EXPECT_EQ(time, 0xBF7D);
    ASSERT_TRUE(CoDosDateTimeToFileTime(0xFF9F, 0xBF7D, &back));
    EXPECT_EQ(ticks(back), ticks(fileTime(2107, 12, 31, 23, 59, 58)));

    date = 0x1111;
    time = 0x2222;
    FILETIME tooEarly = fileTime(1979, 12, 31, 23, 59, 59);
    EXPECT_FALSE(CoFileTimeToDosDateTime(&tooEarly, &date, &time));
    FILETIME tooLarge{0xFFFFFFFF, 0xFFFFFFFF};
    EXPECT_FALSE(CoFileTimeToDosDateTime(&tooLarge, &date, &time));
    EXPECT_EQ(date, 0x1111) << "a failed conversion writes nothing";
    EXPECT_EQ(time, 0x2222);
}

TEST(DosTime, RejectsFieldsOutOfRange)
{
    struct Packed
    {
        WORD date, time;
    };
    const Packed invalid[] = {
        {0x0000, 0x0000}, // day and month 0
        {0x0020, 0x0000}, // day 0
        {0x01A1, 0x0000}, // month 13
        {0x009F, 0x0000}, // 31 April
        {0x005E, 0x0000}, // 30 February
        {0x0021, 0xBF7E}, // 60 seconds
        {0x0021, 0x0780}, // 60 minutes
        {0x0021, 0xC000}, // hour 24
    };
    for (const Packed& value : invalid) {
        FILETIME untouched{0xAAAAAAAA, 0xBBBBBBBB};
        EXPECT_FALSE(CoDosDateTimeToFileTime(value.date, value.time, &untouched))
            << std::hex << value.date << " " << value.time;
        EXPECT_EQ(untouched.dwLowDateTime, 0xAAAAAAAAu);
    }
    // The day is checked against the longest February: in a common year the 29th is 1 March.
    FILETIME leapDay{};
    ASSERT_TRUE(CoDosDateTimeToFileTime(0x025D, 0, &leapDay));
    EXPECT_EQ(ticks(leapDay), ticks(fileTime(1981, 3, 1, 0, 0, 0)));
    ASSERT_TRUE(CoDosDateTimeToFileTime(0x005D, 0, &leapDay));
    EXPECT_EQ(ticks(leapDay), ticks(fileTime(1980, 2, 29, 0, 0, 0)));
}

// --- Code pages ------------------------------------------------------------------------------

TEST(AnsiCodePage, EveryByteRoundTrips)
{
    EXPECT_EQ(GetACP(), 1252u);
    char bytes[256];
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
    WCHAR characters[256];
    ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, bytes, 256, characters, 256), 256);
    EXPECT_EQ(characters[0x41], 'A');
    EXPECT_EQ(characters[0x80], 0x20AC) << "euro sign";
    EXPECT_EQ(characters[0x8A], 0x0160);
    EXPECT_EQ(characters[0x99], 0x2122);
    EXPECT_EQ(characters[0x9F], 0x0178);
    EXPECT_EQ(characters[0xE9], 0x00E9);
    for (int unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(characters[unassigned], unassigned) << "byte " << unassigned;

    char back[256];
    BOOL usedDefault = TRUE;
    ASSERT_EQ(WideCharToMultiByte(CP_ACP, 0, characters, 256, back, 256, nullptr, &usedDefault),
              256);
    EXPECT_EQ(std::memcmp(bytes, back, 256), 0);
    EXPECT_FALSE(usedDefault);
}

TEST(AnsiCodePage, SubstitutesWhatItCannotRepresent)
{
    // CJK, U+0100 (A with macron), fullwidth A, U+0080, a surrogate pair.
    WideString text = wide(u"\u4E2D\u0100\uFF21\u0080\U0001F600");
    char out[16] = {};
    BOOL usedDefault = FALSE;
    int written = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out,
                                      sizeof out, nullptr, &usedDefault);
    EXPECT_EQ(std::string(out, written), "?AA???");
    EXPECT_TRUE(usedDefault);

    written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(),
                                  static_cast<int>(text.size()), out, sizeof out, "*", nullptr);
    EXPECT_EQ(std::string(out, written), "******");

    WideString fits = wide(u"\u0100\u2018");
    usedDefault = TRUE;
    written = WideCharToMultiByte(CP_ACP, 0, fits.c_str(), static_cast<int>(fits.size()), out,
                                  sizeof out, nullptr, &usedDefault);
    EXPECT_EQ(std::string(out, written), "A\x91");
    EXPECT_FALSE(usedDefault) << "a best-fit substitute is not the default character";
}

TEST(AnsiCodePage, LengthsAndBufferSizes)
{
    WCHAR out[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4) << "counts the terminator";
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 3, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, out, 4), 4);
    EXPECT_EQ(out[3], 0);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, out, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\0b", 3, out, 8), 3) << "embedded nulls convert";
    EXPECT_EQ(out[2], 'b');

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, out, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, 3, out, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0x100, "abc", -1, out, 8), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));

    WideString text = wide(u"h\u00E9");
    char bytes[4];
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), 3);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, bytes, 3, nullptr, nullptr), 3);
    EXPECT_STREQ(bytes, "h\xE9");
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, bytes, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text.c_str(), 0, bytes, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    EXPECT_EQ(lstrlenA("four"), 4);
    EXPECT_EQ(lstrlenW(text.c_str()), 2);
    EXPECT_EQ(lstrlenA(nullptr), 0);
    EXPECT_EQ(lstrlenW(nullptr), 0);
}

TEST(Utf8CodePage, RoundTripsAndReplacesMalformedInput)
{
    const char* encoded = "\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBB\xBF";
    WCHAR out[16];
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, encoded, -1, out, 16), 5);
    EXPECT_EQ(WideString(out, 4), wide(u"\u20AC\U0001F600\uFEFF"));
    char back[16];
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, out, -1, back, sizeof back, nullptr, nullptr), 11);
    EXPECT_STREQ(back, encoded);

    // Each malformed stretch becomes U+FFFD: a bad lead byte alone, a lead byte with the
    // continuation bytes that fitted it so far.
    const std::pair<const char*, std::u16string_view> malformed[] = {
        {"a\x80z", u"a\uFFFDz"},
        {"a\xE2\x82z", u"a\uFFFDz"},
        {"a\xC0\xAFz", u"a\uFFFD\uFFFDz"},
        {"a\xE0\x80\x80z", u"a\uFFFD\uFFFDz"},
        {"a\xED\xA0\x80z", u"a\uFFFD\uFFFDz"},
        {"a\xF4\x90\x80\x80z", u"a\uFFFD\uFFFD\uFFFDz"},
        {"a\xF0\x90\x80z", u"a\uFFFDz"},
        {"a\xF8\x88\x80\x80\x80z", u"a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDz"},
    };
    for (const auto& [input, expected] : malformed) {
        int length = MultiByteToWideChar(CP_UTF8, 0, input, -1, out, 16);
        EXPECT_EQ(WideString(out, length > 0 ? length - 1 : 0), wide(expected)) << input;
    }
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\x80z", -1, out, 16), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xE2\x82", 2, out, 16), 1)
        << "a sequence cut by the length";

    // Lone surrogates become U+FFFD, or an error when asked for one.
    const WCHAR lone[] = {'a', 0xD800, 'b', 0xDC00, 0};
    ASSERT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, -1, back, sizeof back, nullptr, nullptr), 9);
    EXPECT_STREQ(back, "a\xEF\xBF\xBD"
                       "b\xEF\xBF\xBD");
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, back, sizeof back,
                                  nullptr, nullptr),
              0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, out, -1, back, 3, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

} // namespace
