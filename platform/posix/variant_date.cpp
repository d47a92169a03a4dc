#include "platform/posix/variant_date.h"

#include <array>
#include <chrono>
#include <cmath>
#include <optional>
#include <vector>

namespace vetrel::ole {
namespace {

std::string twoDigits(long value)
{
    return (value < 10 ? "0" : "") + std::to_string(value);
}

std::string clockText(long seconds)
{
    long hour = seconds / 3600;
    std::string suffix = hour < 12 ? " AM" : " PM";
    long shown = hour % 12 == 0 ? 12 : hour % 12;
    return std::to_string(shown) + ":" + twoDigits(seconds / 60 % 60) + ":" +
           twoDigits(seconds % 60) + suffix;
}

// Days from 1899-12-30 of a calendar date, when it exists and lies within the years 100 to
// 9999; a day past the end of its month is refused rather than carried into the next.
std::optional<double> dayNumber(int year, int month, int day)
{
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1) return std::nullopt;
    UDATE date{};
    date.st.wYear = static_cast<WORD>(year);
    date.st.wMonth = static_cast<WORD>(month);
    date.st.wDay = static_cast<WORD>(day);
    DATE days = 0;
    UDATE back{};
    if (FAILED(VarDateFromUdate(&date, 0, &days)) || FAILED(VarUdateFromDate(days, 0, &back)) ||
        back.st.wDay != date.st.wDay || back.st.wMonth != date.st.wMonth)
        return std::nullopt;
    return days;
}

// One piece of date text: a number, a month name, AM/PM, or a separator character.
struct Token
{
    enum class Kind
    {
        Number,
        Month,
        Meridiem,
        Weekday,
        Separator
    };
    Kind kind;
    long value = 0; // the number, the month (1-12), 1 for PM, or the separator character
    int width = 0;  // digits of a number: a four-digit first number is a year
};

bool isBlank(char16_t c) noexcept
{
    return c == u' ' || c == u'\t' || c == u'\u00a0';
}

bool isLetter(char16_t c) noexcept
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

std::optional<Token> wordToken(std::string word)
{
    static constexpr std::array<const char*, 12> kMonths = {
        "january", "february", "march",     "april",   "may",      "june",
        "july",    "august",   "september", "october", "november", "december"};
    for (char& c : word) c = static_cast<char>(c | 0x20);
    if (word == "am" || word == "a") return Token{Token::Kind::Meridiem, 0};
    if (word == "pm" || word == "p") return Token{Token::Kind::Meridiem, 1};
    static constexpr std::array<const char*, 7> kWeekdays = {
        "sunday", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday"};
    for (std::string name : kWeekdays)
        if (word == name || (word.size() == 3 && name.compare(0, 3, word) == 0))
            return Token{Token::Kind::Weekday, 0};
    for (size_t i = 0; i < kMonths.size(); ++i) {
        std::string name = kMonths[i];
        if (word == name || (word.size() == 3 && name.compare(0, 3, word) == 0))
            return Token{Token::Kind::Month, static_cast<long>(i + 1)};
    }
    return std::nullopt;
}

bool tokenize(std::u16string_view text, std::vector<Token>& tokens)
{
    size_t i = 0;
    while (i < text.size() && text[i] != 0) {
        char16_t c = text[i];
        if (isBlank(c)) {
            ++i;
        } else if (c >= u'0' && c <= u'9') {
            long value = 0;
            int width = 0;
            for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++width)
                value = value > 100000 ? value : value * 10 + (text[i] - u'0');
            tokens.push_back({Token::Kind::Number, value, width});
        } else if (isLetter(c)) {
            std::string word;
            for (; i < text.size() && isLetter(text[i]); ++i) word += static_cast<char>(text[i]);
            auto token = wordToken(word);
            if (!token) return false;
            tokens.push_back(*token);
        } else if (c == u'/' || c == u'-' || c == u'.' || c == u':' || c == u',') {
            tokens.push_back({Token::Kind::Separator, c});
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

bool isSeparator(const Token& token, char16_t c) noexcept
{
    return token.kind == Token::Kind::Separator && token.value == c;
}

struct Clock
{
    bool present = false;
    long parts[3] = {0, 0, 0};
    int count = 0;
    int meridiem = -1; // -1 none, 0 AM, 1 PM
};

// Takes the time out of the tokens: numbers joined by ':' or '.', or an hour with AM/PM.
bool extractClock(std::vector<Token>& tokens, Clock& clock)
{
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Token::Kind::Number) continue;
        size_t end = i + 1;
        bool joined = end + 1 < tokens.size() &&
                      (isSeparator(tokens[end], u':') || isSeparator(tokens[end], u'.')) &&
                      tokens[end + 1].kind == Token::Kind::Number;
        bool hourOnly = end < tokens.size() && tokens[end].kind == Token::Kind::Meridiem;
        if (!joined && !hourOnly) continue;
        clock.present = true;
        clock.parts[clock.count++] = tokens[i].value;
        while (clock.count < 3 && end + 1 < tokens.size() &&
               (isSeparator(tokens[end], u':') || isSeparator(tokens[end], u'.')) &&
               tokens[end + 1].kind == Token::Kind::Number) {
            clock.parts[clock.count++] = tokens[end + 1].value;
            end += 2;
        }
        if (end < tokens.size() && tokens[end].kind == Token::Kind::Meridiem)
            clock.meridiem = static_cast<int>(tokens[end++].value);
        tokens.erase(tokens.begin() + static_cast<long>(i),
                     tokens.begin() + static_cast<long>(end));
        return true;
    }
    return true;
}

std::optional<double> clockFraction(const Clock& clock)
{
    long hour = clock.parts[0], minute = clock.parts[1], second = clock.parts[2];
    if (clock.meridiem == 1 && hour < 12) hour += 12;
    if (clock.meridiem == 0 && hour == 12) hour = 0;
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return hour / 24.0 + minute / 1440.0 + second / 86400.0;
}

int windowedYear(long year) noexcept
{
    if (year < 50) return static_cast<int>(2000 + year);
    if (year < 100) return static_cast<int>(1900 + year);
    return static_cast<int>(year);
}

int currentYear()
{
    auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    return static_cast<int>(std::chrono::year_month_day(today).year());
}

// A month with one number: a day of this year when it can be one, else the first of the month
// in that year.
std::optional<double> dayOrYear(int month, long number)
{
    auto thisYear = dayNumber(currentYear(), month, static_cast<int>(number));
    return thisYear ? thisYear : dayNumber(windowedYear(number), month, 1);
}

// The calendar part from what is left once the time is taken: numbers (month, day, year in
// en-US order, or year first when it has four digits) and at most one month name.
std::optional<double> calendarDate(const std::vector<Token>& tokens)
{
    std::vector<long> numbers;
    std::vector<int> widths;
    long monthName = 0;
    for (const Token& token : tokens) {
        if (token.kind == Token::Kind::Number) {
            numbers.push_back(token.value);
            widths.push_back(token.width);
        }
        if (token.kind == Token::Kind::Month) {
            if (monthName) return std::nullopt;
            monthName = token.value;
        }
        if (token.kind == Token::Kind::Meridiem) return std::nullopt;
    }
    int year = 0, month = 0, day = 1;
    if (monthName) {
        month = static_cast<int>(monthName);
        if (numbers.size() == 1) return dayOrYear(month, numbers[0]);
        if (numbers.size() != 2) return std::nullopt;
        day = static_cast<int>(numbers[0]);
        year = windowedYear(numbers[1]);
    } else if (numbers.size() == 3) {
        bool yearFirst = widths[0] >= 3;
        year = windowedYear(yearFirst ? numbers[0] : numbers[2]);
        month = static_cast<int>(yearFirst ? numbers[1] : numbers[0]);
        day = static_cast<int>(yearFirst ? numbers[2] : numbers[1]);
    } else if (numbers.size() == 2) {
        return dayOrYear(static_cast<int>(numbers[0]), numbers[1]);
    } else {
        return std::nullopt;
    }
    return dayNumber(year, month, day);
}

} // namespace

HRESULT dateText(DATE value, std::string& text)
{
    if (std::isnan(value)) {
        text = "12/30/1899 12:00:00 AM";
        return S_OK;
    }
    UDATE parts{};
    HRESULT hr = VarUdateFromDate(value, 0, &parts);
    if (FAILED(hr)) return hr;
    const SYSTEMTIME& st = parts.st;
    long seconds = st.wHour * 3600L + st.wMinute * 60L + st.wSecond;
    double whole = std::trunc(value);
    if (whole == 0) {
        text = clockText(seconds);
        return S_OK;
    }
    text =
        std::to_string(st.wMonth) + "/" + std::to_string(st.wDay) + "/" + std::to_string(st.wYear);
    if (value != whole) text += " " + clockText(seconds);
    return S_OK;
}

HRESULT dateFromText(std::u16string_view text, DATE& value)
{
    std::vector<Token> tokens;
    Clock clock;
    // A date or time starts with a number or a word, never with a sign or separator.
    if (!tokenize(text, tokens) || tokens.empty() || tokens[0].kind == Token::Kind::Separator ||
        !extractClock(tokens, clock))
        return DISP_E_TYPEMISMATCH;
    std::optional<double> fraction = 0.0;
    if (clock.present) fraction = clockFraction(clock);
    if (!fraction) return DISP_E_TYPEMISMATCH;

    // Separators only join the numbers of the date; what is left must be a date or nothing.
    std::vector<Token> dateTokens;
    for (const Token& token : tokens)
        if (token.kind != Token::Kind::Separator && token.kind != Token::Kind::Weekday)
            dateTokens.push_back(token);
    if (dateTokens.empty()) {
        if (!clock.present) return DISP_E_TYPEMISMATCH;
        value = *fraction;
        return S_OK;
    }
    auto date = calendarDate(dateTokens);
    if (!date) return DISP_E_TYPEMISMATCH;
    value = *date < 0 ? *date - *fraction : *date + *fraction;
    return S_OK;
}

} // namespace vetrel::ole
