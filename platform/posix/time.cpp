// System and local time, and the conversions between FILETIME and SYSTEMTIME.
#include "platform/posix/civil_time.h"

#include <ctime>

using namespace vetrel::posix;

namespace {

constexpr uint64_t kTicksFrom1601To1970 = 116'444'736'000'000'000ULL;
constexpr uint64_t kLargestFileTime = 0x7FFF'FFFF'FFFF'FFFFULL;

uint64_t nowTicks()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return kTicksFrom1601To1970 + static_cast<uint64_t>(now.tv_sec) * kTicksPerSecond +
           static_cast<uint64_t>(now.tv_nsec) / 100;
}

// Local time minus UTC as the zone stands now: like Windows, the conversions of file times use
// the current bias, whatever the date they convert.
int64_t localBiasTicks()
{
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return static_cast<int64_t>(local.tm_gmtoff) * static_cast<int64_t>(kTicksPerSecond);
}

SYSTEMTIME systemTimeOf(uint64_t ticks)
{
    int64_t days = static_cast<int64_t>(ticks / kTicksPerDay);
    uint64_t ticksOfDay = ticks % kTicksPerDay;
    CivilDate date = civilFromDaysSince1601(days);
    SYSTEMTIME result{};
    result.wYear = static_cast<WORD>(date.year);
    result.wMonth = static_cast<WORD>(date.month);
    result.wDay = static_cast<WORD>(date.day);
    result.wDayOfWeek = static_cast<WORD>((days + 1) % 7); // 1601-01-01 was a Monday
    result.wHour = static_cast<WORD>(ticksOfDay / (3600 * kTicksPerSecond));
    result.wMinute = static_cast<WORD>(ticksOfDay / (60 * kTicksPerSecond) % 60);
    result.wSecond = static_cast<WORD>(ticksOfDay / kTicksPerSecond % 60);
    result.wMilliseconds = static_cast<WORD>(ticksOfDay / 10'000 % 1000);
    return result;
}

BOOL fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

BOOL shiftFileTime(const FILETIME* from, LPFILETIME to, int64_t bias)
{
    if (!from || !to) return fail(ERROR_INVALID_PARAMETER);
    *to = fileTimeOf(ticksOf(*from) + static_cast<uint64_t>(bias));
    return TRUE;
}

} // namespace

extern "C" void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime)
{
    if (lpSystemTimeAsFileTime) *lpSystemTimeAsFileTime = fileTimeOf(nowTicks());
}

extern "C" void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime)
{
    if (lpSystemTime) *lpSystemTime = systemTimeOf(nowTicks());
}

extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime)
{
    if (lpSystemTime) *lpSystemTime = systemTimeOf(nowTicks() + localBiasTicks());
}

STDAPI CoFileTimeNow(FILETIME* lpFileTime)
{
    if (!lpFileTime) return E_INVALIDARG;
    GetSystemTimeAsFileTime(lpFileTime);
    return S_OK;
}

extern "C" BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime)
{
    if (!lpSystemTime || !lpFileTime) return fail(ERROR_INVALID_PARAMETER);
    const SYSTEMTIME& time = *lpSystemTime;
    if (time.wYear < 1601 || time.wYear > 30827 || time.wMonth < 1 || time.wMonth > 12 ||
        time.wDay < 1 || time.wDay > longestMonth(time.wMonth) || time.wHour > 23 ||
        time.wMinute > 59 || time.wSecond > 59 || time.wMilliseconds > 999)
        return fail(ERROR_INVALID_PARAMETER);
    uint64_t days = static_cast<uint64_t>(daysSince1601({time.wYear, time.wMonth, time.wDay}));
    uint64_t seconds = time.wHour * 3600u + time.wMinute * 60u + time.wSecond;
    *lpFileTime = fileTimeOf(days * kTicksPerDay + seconds * kTicksPerSecond +
                             time.wMilliseconds * 10'000ULL);
    return TRUE;
}

extern "C" BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime)
{
    if (!lpFileTime || !lpSystemTime || ticksOf(*lpFileTime) > kLargestFileTime)
        return fail(ERROR_INVALID_PARAMETER);
    *lpSystemTime = systemTimeOf(ticksOf(*lpFileTime));
    return TRUE;
}

extern "C" BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* lpFileTime,
                                               LPFILETIME lpLocalFileTime)
{
    return shiftFileTime(lpFileTime, lpLocalFileTime, localBiasTicks());
}

extern "C" BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime,
                                               LPFILETIME lpFileTime)
{
    return shiftFileTime(lpLocalFileTime, lpFileTime, -localBiasTicks());
}

extern "C" LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2)
{
    uint64_t first = ticksOf(*lpFileTime1), second = ticksOf(*lpFileTime2);
    return first < second ? -1 : first > second ? 1 : 0;
}
