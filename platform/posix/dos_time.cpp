// FILETIME to and from the packed DOS date and time: years 1980..2107, two-second steps.
//
// DOS date: bits 9..15 years since 1980, 5..8 month, 0..4 day.
// DOS time: bits 11..15 hour, 5..10 minute, 0..4 seconds / 2.
#include "platform/posix/civil_time.h"

using namespace vetrel::posix;

namespace {

constexpr int kFirstDosYear = 1980;
constexpr int kLastDosYear = kFirstDosYear + 127;

} // namespace

STDAPI_(BOOL) CoDosDateTimeToFileTime(WORD nDosDate, WORD nDosTime, FILETIME* lpFileTime)
{
    unsigned day = nDosDate & 0x1F, month = (nDosDate >> 5) & 0x0F;
    int year = kFirstDosYear + (nDosDate >> 9);
    unsigned seconds = (nDosTime & 0x1F) * 2, minutes = (nDosTime >> 5) & 0x3F,
             hours = nDosTime >> 11;
    if (!lpFileTime || month < 1 || month > 12 || day < 1 || day > longestMonth(month) ||
        hours > 23 || minutes > 59 || seconds > 59)
        return FALSE;
    int64_t days = daysSince1601({year, month, 1}) + day - 1;
    uint64_t ticks = static_cast<uint64_t>(days) * kTicksPerDay +
                     (hours * 3600u + minutes * 60u + seconds) * kTicksPerSecond;
    *lpFileTime = fileTimeOf(ticks);
    return TRUE;
}

STDAPI_(BOOL) CoFileTimeToDosDateTime(FILETIME* lpFileTime, WORD* lpDosDate, WORD* lpDosTime)
{
    if (!lpFileTime || !lpDosDate || !lpDosTime) return FALSE;
    SYSTEMTIME time;
    if (!FileTimeToSystemTime(lpFileTime, &time)) return FALSE;
    if (time.wYear < kFirstDosYear || time.wYear > kLastDosYear) return FALSE;
    *lpDosDate =
        static_cast<WORD>(((time.wYear - kFirstDosYear) << 9) | (time.wMonth << 5) | time.wDay);
    *lpDosTime = static_cast<WORD>((time.wHour << 11) | (time.wMinute << 5) | (time.wSecond / 2));
    return TRUE;
}
