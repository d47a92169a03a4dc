// DATE: days since 1899-12-30 in a double, in the proleptic Gregorian calendar. The fraction is
// the time of day counted away from zero, so -1.25 is 1899-12-29 06:00, and a DATE spans the
// years 100 to 9999.
#include "platform/posix/civil_time.h"
#include "vetrel/com.h"

#include <cmath>

namespace {

using vetrel::posix::CivilDate;
using vetrel::posix::civilFromDaysSince1601;
using vetrel::posix::daysSince1601;

constexpr LONG kSecondsPerDay = 24 * 60 * 60;
constexpr int kMaxYear = 9999;

// The shared calendar counts from 1601. Shifting by four whole 400-year cycles, after which the
// calendar repeats exactly, brings every year from 1 on into its range.
constexpr int kShiftYears = 1600;

// Days from 0001-01-01 to the given day.
int64_t serialDay(LONG year, LONG month, LONG day)
{
    const CivilDate date = {static_cast<int>(year) + kShiftYears, static_cast<unsigned>(month),
                            static_cast<unsigned>(day)};
    return daysSince1601(date);
}

// Days from 0001-01-01 to 1899-12-30, the day a DATE counts from.
int64_t epoch()
{
    static const int64_t kEpoch = serialDay(1899, 12, 30);
    return kEpoch;
}

struct CivilDay
{
    CivilDate date;
    LONG dayOfYear;
};

// The calendar day `days` after 1899-12-30, which lies within the years 1 to 10000.
CivilDay civilDay(LONG days)
{
    const int64_t serial = days + epoch();
    CivilDate date = civilFromDaysSince1601(serial);
    date.year -= kShiftYears;
    return {date, static_cast<LONG>(serial - serialDay(date.year, 1, 1)) + 1};
}

// Days from 1899-12-30 to the given day. Months beyond December and days beyond the end of a
// month carry into the following ones, month 0 and day 0 reach back into the preceding ones.
bool dayNumber(LONG year, LONG month, LONG day, LONG* days) noexcept
{
    const LONG months = year * 12 + month - 1;
    if (months < 12) return false;
    *days = static_cast<LONG>(serialDay(months / 12, months % 12 + 1, 1) - epoch()) + day - 1;
    return true;
}

// Years below 100 are two-digit years: up to 49 in this century, from 50 in the last.
LONG fullYear(SHORT year) noexcept
{
    if (year < 50) return year + 2000;
    if (year < 100) return year + 1900;
    return year;
}

} // namespace

// The fields may overflow: each carries into the next larger one. Milliseconds are ignored.
STDAPI VarDateFromUdate(UDATE* pudateIn, ULONG dwFlags, DATE* pdateOut)
{
    if (!pudateIn || !pdateOut) return E_INVALIDARG;
    const SYSTEMTIME& st = pudateIn->st;
    const auto year = static_cast<SHORT>(st.wYear);
    if (year > kMaxYear || year < -kMaxYear) return E_INVALIDARG;
    LONG days = 0;
    if (!dayNumber(fullYear(year), st.wMonth, st.wDay, &days)) return E_INVALIDARG;
    LONG seconds = st.wHour * 3600L + st.wMinute * 60L + st.wSecond;
    days += seconds / kSecondsPerDay;
    seconds %= kSecondsPerDay;
    if (dwFlags & VAR_TIMEVALUEONLY) days = 0;
    if (dwFlags & VAR_DATEVALUEONLY) seconds = 0;
    const double time = static_cast<double>(seconds) / kSecondsPerDay;
    *pdateOut = days < 0 ? days - time : days + time;
    return S_OK;
}

// The time of day is rounded to the nearest second, which may carry into the next day (even
// into the year 10000); the day of the week and of the year stay those of the day before
// rounding, as on Windows.
STDAPI VarUdateFromDate(DATE dateIn, ULONG, UDATE* pudateOut)
{
    if (!pudateOut) return E_INVALIDARG;
    if (!(dateIn > VTDATEGRE_MIN - 1.0 && dateIn < VTDATEGRE_MAX + 1.0)) return E_INVALIDARG;
    const auto days = static_cast<LONG>(std::trunc(dateIn));
    LONG seconds = std::lround(std::fabs(dateIn - days) * kSecondsPerDay);
    const CivilDay civil = civilDay(days + seconds / kSecondsPerDay);
    seconds %= kSecondsPerDay;

    SYSTEMTIME& st = pudateOut->st;
    st.wYear = static_cast<WORD>(civil.date.year);
    st.wMonth = static_cast<WORD>(civil.date.month);
    st.wDay = static_cast<WORD>(civil.date.day);
    // 1899-12-30 was a Saturday; the remainder is kept non-negative for earlier days.
    st.wDayOfWeek = static_cast<WORD>(((days + 6) % 7 + 7) % 7);
    st.wHour = static_cast<WORD>(seconds / 3600);
    st.wMinute = static_cast<WORD>(seconds / 60 % 60);
    st.wSecond = static_cast<WORD>(seconds % 60);
    st.wMilliseconds = 0;
    pudateOut->wDayOfYear = static_cast<USHORT>(civilDay(days).dayOfYear);
    return S_OK;
}

STDAPI_(INT) SystemTimeToVariantTime(LPSYSTEMTIME lpSystemTime, DOUBLE* pvtime)
{
    if (!lpSystemTime || !pvtime) return FALSE;
    if (lpSystemTime->wMonth > 12 || lpSystemTime->wDay > 31) return FALSE;
    if (static_cast<SHORT>(lpSystemTime->wYear) < 0) return FALSE;
    UDATE udate = {*lpSystemTime, 0};
    return SUCCEEDED(VarDateFromUdate(&udate, 0, pvtime));
}

STDAPI_(INT) VariantTimeToSystemTime(DOUBLE vtime, LPSYSTEMTIME lpSystemTime)
{
    if (!lpSystemTime) return FALSE;
    UDATE udate;
    if (FAILED(VarUdateFromDate(vtime, 0, &udate))) return FALSE;
    *lpSystemTime = udate.st;
    return TRUE;
}
