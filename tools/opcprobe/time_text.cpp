#include "time_text.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace opcprobe {
namespace {

using namespace std::chrono;
using Ticks = duration<long long, std::ratio<1, 10'000'000>>;

// FILETIMEs count 100-nanosecond ticks from 1601, DATEs days from the end of 1899.
constexpr sys_days kFileTimeEpoch = year{1601} / 1 / 1;
constexpr sys_days kDateEpoch = year{1899} / 12 / 30;
constexpr double kMillisecondsPerDay = 86'400'000.0;

std::string isoText(sys_time<Ticks> moment, const char* zone)
{
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss clock{floor<milliseconds>(moment - day)};
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03d%s",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()),
                  static_cast<int>(clock.subseconds().count()), zone);
    return text;
}

// The time of day of a DATE counts forward from midnight even before 1899: -1.25 is six in
// the morning of the day before the epoch.
sys_time<milliseconds> dateMoment(DATE date)
{
    const double whole = std::trunc(date);
    const auto time = std::llround(std::abs(date - whole) * kMillisecondsPerDay);
    return kDateEpoch + days(static_cast<long long>(whole)) + milliseconds(time);
}

// The digits at the front of text, exactly count of them, taken off it.
bool takeNumber(std::string_view& text, size_t count, unsigned& number)
{
    if (text.size() < count) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + count, number);
    if (error != std::errc() || end != text.data() + count) return false;
    text.remove_prefix(count);
    return true;
}

bool takeChar(std::string_view& text, char wanted)
{
    if (!text.starts_with(wanted)) return false;
    text.remove_prefix(1);
    return true;
}

} // namespace

std::string timeText(const FILETIME& time)
{
    const long long ticks = static_cast<long long>(
        (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    if (ticks == 0) return {};
    return isoText(kFileTimeEpoch + Ticks(ticks), "Z");
}

std::string dateText(DATE date)
{
    return isoText(dateMoment(date), "");
}

std::string localDateText(DATE date)
{
    const auto ticks = duration_cast<Ticks>(dateMoment(date) - kFileTimeEpoch).count();
    const FILETIME local{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME utc{};
    if (ticks <= 0 || !LocalFileTimeToFileTime(&local, &utc)) return dateText(date);
    return timeText(utc);
}

std::optional<DATE> parseDate(std::string_view text)
{
    unsigned y = 0, m = 0, d = 0, hours = 0, minutes = 0, seconds = 0, millis = 0;
    if (!takeNumber(text, 4, y) || !takeChar(text, '-') || !takeNumber(text, 2, m) ||
        !takeChar(text, '-') || !takeNumber(text, 2, d))
        return std::nullopt;
    if (!text.empty()) {
        if (!takeChar(text, 'T') && !takeChar(text, ' ')) return std::nullopt;
        if (!takeNumber(text, 2, hours) || !takeChar(text, ':') || !takeNumber(text, 2, minutes))
            return std::nullopt;
        if (takeChar(text, ':') && !takeNumber(text, 2, seconds)) return std::nullopt;
        if (takeChar(text, '.') && !takeNumber(text, 3, millis)) return std::nullopt;
    }
    const year_month_day day{year(static_cast<int>(y)), month(m), std::chrono::day(d)};
    if (!text.empty() || !day.ok() || hours > 23 || minutes > 59 || seconds > 59)
        return std::nullopt;
    const auto wholeDays = static_cast<double>((sys_days(day) - kDateEpoch).count());
    const double time =
        (((hours * 60.0 + minutes) * 60.0 + seconds) * 1000.0 + millis) / kMillisecondsPerDay;
    return wholeDays < 0 ? wholeDays - time : wholeDays + time;
}

} // namespace opcprobe
