#include "platform/posix/variant_parse.h"

#include "platform/posix/decimal96.h"
#include "platform/posix/variant_date.h"
#include "platform/posix/variant_number.h"

#include <algorithm>
#include <cmath>

namespace vetrel::ole {
namespace {

constexpr long kExponentLimit = 100000;
constexpr uint64_t kRadixLimit = uint64_t{1} << 63;
constexpr uint64_t kRealRadixLimit = INT32_MAX;
constexpr long kScaleStep = 10;
constexpr double kScaleStepPower = 1e10;
// Scaling up must stay at or below this value, a few units short of DBL_MAX.
constexpr double kLargestScaledUp = 0x1.ffffffffffffbp+1023;
constexpr double kSmallestDenormal = 0x0.0000000000001p-1022;
// The smallest float denormal: text below it (but not zero) does not fit a float.
constexpr double kSmallestFloat = 0x1p-149;

bool isBlank(char16_t c) noexcept
{
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u00a0';
}

bool isDigit(char16_t c) noexcept
{
    return c >= u'0' && c <= u'9';
}

int radixDigit(char16_t c, unsigned radix) noexcept
{
    int value = -1;
    if (isDigit(c)) value = c - u'0';
    if (c >= u'a' && c <= u'f') value = c - u'a' + 10;
    if (c >= u'A' && c <= u'F') value = c - u'A' + 10;
    return value >= 0 && static_cast<unsigned>(value) < radix ? value : -1;
}

// Reads the text as a sequence; `at` stops at the end or at an embedded NUL.
class Cursor
{
public:
    explicit Cursor(std::u16string_view text) : m_text(text) {}
    char16_t peek(size_t ahead = 0) const noexcept
    {
        size_t at = m_at + ahead;
        return at < m_text.size() ? m_text[at] : u'\0';
    }
    void next() noexcept { ++m_at; }
    void skipBlanks() noexcept
    {
        while (isBlank(peek())) next();
    }
    bool atEnd() const noexcept { return peek() == u'\0'; }

private:
    std::u16string_view m_text;
    size_t m_at = 0;
};

struct Signs
{
    bool plus = false;
    bool minus = false;
    bool currency = false;
    bool openParen = false;
    bool closeParen = false;
};

void readLeading(Cursor& in, Signs& signs)
{
    for (;;) {
        in.skipBlanks();
        char16_t c = in.peek();
        if (c == u'+' && !signs.plus && !signs.minus) {
            signs.plus = true;
        } else if (c == u'-' && !signs.minus) {
            signs.minus = true;
        } else if (c == u'$' && !signs.currency) {
            signs.currency = true;
        } else if (c == u'(' && !signs.openParen) {
            signs.openParen = true;
        } else {
            return;
        }
        in.next();
    }
}

void readTrailing(Cursor& in, Signs& signs)
{
    for (;;) {
        in.skipBlanks();
        char16_t c = in.peek();
        if (c == u'-' && !signs.minus && !signs.plus) {
            signs.minus = true;
        } else if (c == u'$' && !signs.currency) {
            signs.currency = true;
        } else if (c == u')' && signs.openParen && !signs.closeParen) {
            signs.closeParen = true;
        } else {
            return;
        }
        in.next();
    }
}

bool readRadix(Cursor& in, ParsedText& out)
{
    char16_t kind = in.peek(1);
    unsigned radix = (kind == u'h' || kind == u'H') ? 16 : 8;
    in.next();
    in.next();
    int count = 0;
    for (int digit; (digit = radixDigit(in.peek(), radix)) >= 0; in.next(), ++count) {
        if (out.bits > (UINT64_MAX - static_cast<unsigned>(digit)) / radix) out.bitsOverflow = true;
        out.bits = out.bits * radix + static_cast<unsigned>(digit);
    }
    out.radix = true;
    return count > 0;
}

bool readDecimal(Cursor& in, ParsedText& out)
{
    std::string digits;
    long fractionDigits = 0;
    bool point = false;
    for (;;) {
        char16_t c = in.peek();
        if (isDigit(c)) {
            digits += static_cast<char>(c);
            if (point) ++fractionDigits;
        } else if (c == u',' && !point && !digits.empty()) {
            // thousands separators are skipped wherever they stand after the first digit
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
        in.next();
    }
    if (digits.empty()) return false;
    long exponent = 0;
    if (in.peek() == u'e' || in.peek() == u'E') {
        in.next();
        bool negative = in.peek() == u'-';
        if (in.peek() == u'-' || in.peek() == u'+') in.next();
        if (!isDigit(in.peek())) return false;
        for (; isDigit(in.peek()); in.next())
            exponent = std::min(exponent * 10 + (in.peek() - u'0'), kExponentLimit);
        if (negative) exponent = -exponent;
    }
    size_t first = digits.find_first_not_of('0');
    digits = first == std::string::npos ? std::string() : digits.substr(first);
    exponent -= fractionDigits;
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    out.digits = digits;
    out.exponent = digits.empty() ? 0 : exponent;
    return true;
}

// The value rounded to a whole number by the first significant digit after the whole part,
// halves to even; false past 128 bits. Windows looks at that digit even where zeros stand before
// it, so 0.0006 rounds to 1 and 0.05 to 0.
bool parsedToWhole(const ParsedText& parsed, Whole& result)
{
    const std::string& digits = parsed.digits;
    auto count = static_cast<long>(digits.size());
    long wholeCount = count + parsed.exponent;
    if (wholeCount > 38) return false;
    Wide value = 0;
    for (long i = 0; i < wholeCount; ++i)
        value = value * 10 +
                static_cast<unsigned>(i < count ? digits[static_cast<size_t>(i)] - '0' : 0);
    long next = std::max(wholeCount, 0L);
    if (next < count) {
        char first = digits[static_cast<size_t>(next)];
        bool more = next + 1 < count;
        if (first > '5' || (first == '5' && (more || (value & 1)))) ++value;
    }
    if (value > static_cast<Wide>(UINT64_MAX)) return false;
    result = parsed.negative ? -static_cast<Whole>(value) : static_cast<Whole>(value);
    return true;
}

HRESULT parsedToDecimal(const ParsedText& parsed, DECIMAL& result)
{
    Wide value = 0;
    for (char digit : parsed.digits) {
        value = value * 10 + static_cast<unsigned>(digit - '0');
        if (value > kDecimalMax) return DISP_E_OVERFLOW;
    }
    BYTE scale = 0;
    if (parsed.exponent > 0) {
        for (long i = 0; i < parsed.exponent; ++i) {
            value *= 10;
            if (value > kDecimalMax) return DISP_E_OVERFLOW;
        }
    } else {
        // Windows keeps only the low byte of a scale this long: so do we.
        scale = static_cast<BYTE>(-parsed.exponent);
    }
    result = makeDecimal(parsed.negative, scale, value);
    return S_OK;
}

// &H and &O values: each integer type takes the bits of its width, the floating types and
// BOOL only positive 32-bit values, currency none.
HRESULT radixToValue(const ParsedText& parsed, VARTYPE target, VARIANT& out)
{
    if (parsed.bitsOverflow || parsed.bits > kRadixLimit) return DISP_E_OVERFLOW;
    uint64_t bits = parsed.bits;
    if (isIntegerType(target)) {
        uint64_t mask = UINT64_MAX;
        if (target == VT_I1 || target == VT_UI1) mask = UINT8_MAX;
        if (target == VT_I2 || target == VT_UI2) mask = UINT16_MAX;
        if (target == VT_I4 || target == VT_UI4 || target == VT_INT || target == VT_UINT)
            mask = UINT32_MAX;
        if (bits > mask) return DISP_E_OVERFLOW;
        storeInteger(static_cast<Whole>(bits), target, out);
        return S_OK;
    }
    switch (target) {
    case VT_DECIMAL:
        V_DECIMAL(&out) = makeDecimal(false, 0, bits);
        V_VT(&out) = VT_DECIMAL;
        return S_OK;
    case VT_R4:
    case VT_R8:
    case VT_BOOL: {
        if (bits > kRealRadixLimit) return DISP_E_OVERFLOW;
        Number n;
        n.integer = static_cast<Whole>(bits);
        return convertNumber(n, target, out);
    }
    default:
        return DISP_E_OVERFLOW;
    }
}

bool equalsIgnoringCase(std::u16string_view text, std::string_view word) noexcept
{
    size_t length = 0;
    while (length < text.size() && text[length] != 0) ++length;
    if (length != word.size()) return false;
    for (size_t i = 0; i < length; ++i)
        if ((text[i] | 0x20) != (word[i] | 0x20)) return false;
    return true;
}

HRESULT textToBoolean(std::u16string_view text, VARIANT& out)
{
    for (auto [word, truth] :
         {std::pair{"true", true}, {"false", false}, {"#true#", true}, {"#false#", false}}) {
        if (equalsIgnoringCase(text, word)) {
            V_BOOL(&out) = truth ? VARIANT_TRUE : VARIANT_FALSE;
            V_VT(&out) = VT_BOOL;
            return S_OK;
        }
    }
    return S_FALSE;
}

} // namespace

HRESULT parseNumberText(std::u16string_view text, ParsedText& out)
{
    Cursor in(text);
    Signs signs;
    readLeading(in, signs);
    bool read = false;
    if (in.peek() == u'&') {
        char16_t kind = in.peek(1);
        if (kind != u'h' && kind != u'H' && kind != u'o' && kind != u'O')
            return DISP_E_TYPEMISMATCH;
        read = readRadix(in, out);
    } else {
        read = readDecimal(in, out);
    }
    if (!read) return DISP_E_TYPEMISMATCH;
    readTrailing(in, signs);
    if (!in.atEnd() || signs.openParen != signs.closeParen) return DISP_E_TYPEMISMATCH;
    out.negative = !out.radix && (signs.minus || signs.openParen);
    return S_OK;
}

HRESULT parsedToDouble(const ParsedText& parsed, double& result) noexcept
{
    // Windows accumulates every digit into a double, one at a time; too many digits give
    // infinity, which is not an error by itself.
    double value = 0.0;
    for (char digit : parsed.digits) value = value * 10.0 + (digit - '0');
    // It then scales by whole steps of 10^10 and a last step of at most 10^10, each rounded.
    long steps = std::labs(parsed.exponent);
    for (; steps > kScaleStep; steps -= kScaleStep)
        value = parsed.exponent > 0 ? value * kScaleStepPower : value / kScaleStepPower;
    double last = powerOfTen(static_cast<int>(steps));
    if (parsed.exponent > 0) {
        value *= last;
        if (value > kLargestScaledUp) return DISP_E_OVERFLOW;
    } else if (value < last * kSmallestDenormal) {
        // A quotient below the smallest denormal is zero, even where rounding would give it.
        value = 0.0;
    } else {
        value /= last;
    }
    result = parsed.negative ? -value : value;
    return S_OK;
}

HRESULT textToValue(std::u16string_view text, VARTYPE target, VARIANT& out)
{
    if (target == VT_DATE) {
        DATE date = 0;
        HRESULT hr = dateFromText(text, date);
        if (SUCCEEDED(hr)) {
            V_DATE(&out) = date;
            V_VT(&out) = VT_DATE;
        }
        return hr;
    }
    if (target == VT_BOOL && textToBoolean(text, out) == S_OK) return S_OK;
    ParsedText parsed;
    HRESULT hr = parseNumberText(text, parsed);
    if (FAILED(hr)) return hr;
    if (parsed.radix) return radixToValue(parsed, target, out);
    if (isIntegerType(target)) {
        Whole value = 0;
        if (!parsedToWhole(parsed, value)) return DISP_E_OVERFLOW;
        hr = fitInteger(value, target);
        if (SUCCEEDED(hr)) storeInteger(value, target, out);
        return hr;
    }
    if (target == VT_DECIMAL) {
        DECIMAL d{};
        hr = parsedToDecimal(parsed, d);
        if (SUCCEEDED(hr)) {
            V_DECIMAL(&out) = d;
            V_VT(&out) = VT_DECIMAL;
        }
        return hr;
    }
    // The other types take the double.
    double value = 0.0;
    hr = parsedToDouble(parsed, value);
    if (FAILED(hr)) return hr;
    if (target == VT_R4 && value != 0.0 && std::fabs(value) < kSmallestFloat)
        return DISP_E_OVERFLOW;
    Number n;
    n.kind = Number::Kind::Real;
    n.type = VT_R8;
    n.real = value;
    return convertNumber(n, target, out);
}

} // namespace vetrel::ole
