#include "unit/variant_sources.h"

#include <cstring>
#include <limits>
#include <string>
#include <string_view>

namespace variant_table {
namespace {

constexpr BYTE kDecimalScaleLimit = 28;

template <class T> Fill scalar(VARTYPE vt, T number)
{
    return [vt, number](VARIANT& v) {
        std::memcpy(&V_UI1(&v), &number, sizeof number);
        V_VT(&v) = vt;
    };
}

template <class T> void addAll(std::vector<Fill>& out, VARTYPE vt, std::initializer_list<T> numbers)
{
    for (T number : numbers) out.push_back(scalar(vt, number));
}

Fill decimal(BYTE sign, BYTE scale, ULONG hi, ULONGLONG lo)
{
    return [=](VARIANT& v) {
        DECIMAL d{};
        d.sign = sign;
        d.scale = scale;
        d.Hi32 = hi;
        d.Lo64 = lo;
        V_DECIMAL(&v) = d;
        V_VT(&v) = VT_DECIMAL;
    };
}

Fill text(std::u16string_view literal)
{
    return [chars = std::u16string(literal)](VARIANT& v) {
        std::vector<OLECHAR> units(chars.begin(), chars.end());
        V_BSTR(&v) = SysAllocStringLen(units.data(), static_cast<UINT>(units.size()));
        V_VT(&v) = VT_BSTR;
    };
}

void* dataOf(VARIANT& v, VARTYPE elementType)
{
    if (elementType == VT_VARIANT) return &v;
    if (elementType == VT_DECIMAL) return &V_DECIMAL(&v);
    return &V_UI1(&v);
}

// Elements move into the array: whatever a source VARIANT owned now belongs to the array.
Fill array(VARTYPE elementType, std::vector<SAFEARRAYBOUND> bounds, std::vector<Fill> elements)
{
    return [=](VARIANT& v) mutable {
        SAFEARRAY* psa =
            SafeArrayCreate(elementType, static_cast<UINT>(bounds.size()), bounds.data());
        if (!psa) return;
        void* data = nullptr;
        if (SUCCEEDED(SafeArrayAccessData(psa, &data))) {
            UINT size = SafeArrayGetElemsize(psa);
            for (size_t i = 0; i < elements.size(); ++i) {
                VARIANT element{};
                VariantInit(&element);
                elements[i](element);
                std::memcpy(static_cast<BYTE*>(data) + i * size, dataOf(element, elementType),
                            size);
            }
            SafeArrayUnaccessData(psa);
        }
        V_ARRAY(&v) = psa;
        V_VT(&v) = VT_ARRAY | elementType;
    };
}

Fill vector(VARTYPE elementType, LONG lower, std::vector<Fill> elements)
{
    SAFEARRAYBOUND bound{static_cast<ULONG>(elements.size()), lower};
    return array(elementType, {bound}, std::move(elements));
}

Fill raw(VARTYPE vt)
{
    return [vt](VARIANT& v) { V_VT(&v) = vt; };
}

void integers(std::vector<Fill>& out)
{
    using L8 = std::numeric_limits<LONGLONG>;
    using U8 = std::numeric_limits<ULONGLONG>;
    addAll<CHAR>(out, VT_I1, {0, 1, -1, 127, -128});
    addAll<BYTE>(out, VT_UI1, {0, 1, 127, 128, 255});
    addAll<SHORT>(out, VT_I2, {0, 1, -1, 127, 128, -128, -129, 255, 256, 32767, -32768});
    addAll<USHORT>(out, VT_UI2, {0, 1, 255, 256, 32767, 32768, 65535});
    addAll<LONG>(out, VT_I4,
                 {0, 1, -1, 2, 255, 256, -129, 32767, 32768, -32769, 65535, 65536, 36526, 2958465,
                  2958466, -657434, -657435, 2147483647, -2147483647 - 1});
    addAll<ULONG>(out, VT_UI4, {0, 1, 65536, 2147483647, 2147483648u, 4294967295u});
    addAll<LONGLONG>(out, VT_I8,
                     {0, 1, -1, 2147483647LL, 2147483648LL, -2147483649LL, 4294967295LL,
                      4294967296LL, 922337203685477LL, 922337203685478LL, -922337203685478LL,
                      9007199254740993LL, L8::max(), L8::min()});
    addAll<ULONGLONG>(
        out, VT_UI8,
        {0, 1, 4294967296ULL, 9223372036854775807ULL, 9223372036854775808ULL, U8::max()});
    addAll<INT>(out, VT_INT, {0, -1, 70000, 2147483647, -2147483647 - 1});
    addAll<UINT>(out, VT_UINT, {0, 1, 70000, 4294967295u});
}

void reals(std::vector<Fill>& out)
{
    using F = std::numeric_limits<float>;
    using D = std::numeric_limits<double>;
    addAll<FLOAT>(
        out, VT_R4,
        {0.0f,           -0.0f,         0.5f,           -0.5f,      1.0f,        -1.0f,
         1.5f,           -1.5f,         2.5f,           -2.5f,      3.5f,        0.1f,
         1.1f,           0.49999997f,   127.5f,         128.5f,     -128.5f,     255.5f,
         256.0f,         32767.5f,      -32768.5f,      65535.5f,   123456.789f, 16777216.0f,
         2147483520.0f,  4294967040.0f, 16777215.0f,    1234568.5f, 1e10f,       1e20f,
         1e-10f,         1234567.0f,    12345678.0f,    F::max(),   F::min(),    F::denorm_min(),
         F::quiet_NaN(), F::infinity(), -F::infinity(), -1e-30f});
    addAll<DOUBLE>(out, VT_R8,
                   {0.0,
                    -0.0,
                    0.5,
                    -0.5,
                    1.0,
                    -1.0,
                    1.5,
                    -1.5,
                    2.5,
                    -2.5,
                    3.5,
                    0.49999999999999994,
                    0.1,
                    1.1,
                    1.0 / 3.0,
                    -2.0 / 3.0,
                    127.5,
                    128.5,
                    -128.5,
                    -129.5,
                    255.5,
                    256.5,
                    32767.5,
                    -32768.5,
                    -32769.0,
                    65535.5,
                    2147483647.5,
                    -2147483648.5,
                    2147483648.0,
                    4294967295.5,
                    4294967296.0,
                    4611686018427387904.0,
                    -4611686018427387904.0,
                    9223372036854774784.0,
                    -9223372036854774784.0,
                    18446744073709549568.0,
                    9223372036854775807.0,
                    -9223372036854775808.0,
                    18446744073709551615.0,
                    922337203685477.5807,
                    0x1.fffffe54daff8p+127, // above FLT_MAX, yet rounds to it
                    -922337203685477.6,
                    123456789.123456789,
                    1.00005,
                    0.00005,
                    0.00015,
                    0.000049,
                    1000000000000005.0,
                    1000000000000015.0,
                    0.30000000000000004,
                    1e15,
                    1e16,
                    123456789012345678.0,
                    1e-5,
                    1e-300,
                    1e300,
                    -1e-30, // too small for a DECIMAL, yet negative
                    5e-29,
                    9.4e-29,
                    9.5e-29,
                    7.9228162514264337593543950335e28,
                    8e28,
                    36526.5,
                    2958465.9999999,
                    2958466.0,
                    -657434.0,
                    -657435.0,
                    D::max(),
                    D::min(),
                    D::denorm_min(),
                    D::quiet_NaN(),
                    D::infinity(),
                    -D::infinity()});
}

void currencyAndDates(std::vector<Fill>& out)
{
    addAll<LONGLONG>(out, VT_CY,
                     {0,
                      1,
                      -1,
                      5000,
                      -5000,
                      10000,
                      -10000,
                      15000,
                      25000,
                      -25000,
                      12345,
                      1275000,
                      1285000,
                      -1285000,
                      2555000,
                      327675000,
                      21474836475000,
                      4294967295LL * 10000,
                      1868610883026534901, // past a double's precision
                      7369673690560085024,
                      -1868610883026534901,
                      std::numeric_limits<LONGLONG>::max(),
                      std::numeric_limits<LONGLONG>::min()});
    addAll<DOUBLE>(out, VT_DATE,
                   {0.0,
                    1.0,
                    -1.0,
                    0.5,
                    1.5,
                    2.5,
                    -0.25,
                    -1.5,
                    -1.75,
                    0.75,
                    0.999988425925926,
                    36526.0,
                    36526.75,
                    36526.000011574074,
                    45000.123456,
                    2.0,
                    60.0,
                    61.0,
                    2958465.0,
                    2958465.999988426,
                    2958466.0,
                    -657434.0,
                    -657435.0,
                    1e10,
                    std::numeric_limits<double>::quiet_NaN()});
}

void decimals(std::vector<Fill>& out)
{
    constexpr BYTE kNeg = 0x80;
    const ULONGLONG kAll = std::numeric_limits<ULONGLONG>::max();
    out.push_back(decimal(0, 0, 0, 0));
    out.push_back(decimal(kNeg, 0, 0, 0));
    out.push_back(decimal(0, 0, 0, 1));
    out.push_back(decimal(kNeg, 0, 0, 1));
    out.push_back(decimal(0, 1, 0, 5));
    out.push_back(decimal(kNeg, 1, 0, 5));
    out.push_back(decimal(0, 1, 0, 15));
    out.push_back(decimal(0, 1, 0, 25));
    out.push_back(decimal(kNeg, 1, 0, 25));
    out.push_back(decimal(0, 1, 0, 35));
    out.push_back(decimal(0, 4, 0, 12345));
    out.push_back(decimal(0, 5, 0, 123455));
    out.push_back(decimal(0, 5, 0, 123465));
    out.push_back(decimal(0, 2, 0, 12750));
    out.push_back(decimal(0, 0, 0, 128));
    out.push_back(decimal(kNeg, 0, 0, 129));
    out.push_back(decimal(0, 0, 0, 65536));
    out.push_back(decimal(0, 0, 0, 4294967296ULL));
    out.push_back(decimal(0, 0, 0, 9223372036854775808ULL));
    out.push_back(decimal(kNeg, 0, 0, 9223372036854775808ULL));
    out.push_back(decimal(0, 0, 0, kAll));
    out.push_back(decimal(0, 0, 1, 0));
    out.push_back(decimal(0, 0, 0xFFFFFFFF, kAll));
    out.push_back(decimal(kNeg, 0, 0xFFFFFFFF, kAll));
    out.push_back(decimal(0, 28, 0xFFFFFFFF, kAll));
    out.push_back(decimal(0, 28, 0, 1));
    out.push_back(decimal(0, 10, 0, 12345678901234567ULL));
    out.push_back(decimal(0, 4, 0, 9223372036854775807ULL));
    out.push_back(decimal(0, 3, 0x1, 0x2345));
    out.push_back(decimal(0, 29, 0, 1));
    out.push_back(decimal(0x7F, 0, 0, 1));
}

Fill wideDecimal(BYTE sign, BYTE scale, unsigned __int128 magnitude)
{
    return decimal(sign, scale, static_cast<ULONG>(magnitude >> 64),
                   static_cast<ULONGLONG>(magnitude));
}

// Every scale from 5 to 28: the conversions to currency round to four decimals first, and the
// integer conversions go through a double.
void scaledDecimals(std::vector<Fill>& out)
{
    constexpr BYTE kNeg = 0x80;
    unsigned __int128 unit = 1; // 10^(scale - 5)
    for (BYTE scale = 5; scale <= kDecimalScaleLimit; ++scale, unit *= 10) {
        BYTE alternating = scale % 2 ? kNeg : 0;
        out.push_back(decimal(0, scale, 0, 1234567890123456789ULL));
        out.push_back(decimal(kNeg, scale, 0x27E41B32, 0x46BEC9B16E398115ULL)); // 29 digits
        // The dropped digits reach 5 only in the last place.
        out.push_back(decimal(alternating, scale, 0, 5));
        out.push_back(decimal(0, scale, 0, 4));
        out.push_back(wideDecimal(0, scale, 387655 * unit));           // 3.87655
        out.push_back(wideDecimal(alternating, scale, 250000 * unit)); // 2.5
    }
}

// Digits with no pattern a conversion could shortcut, from a fixed linear congruential sequence.
std::string digitRun(size_t count, uint32_t seed)
{
    std::string digits;
    for (size_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        int digit = static_cast<int>((seed >> 16) % 10);
        digits += static_cast<char>('0' + (i == 0 && digit == 0 ? 7 : digit));
    }
    return digits;
}

Fill asciiText(const std::string& ascii)
{
    return text(std::u16string(ascii.begin(), ascii.end()));
}

// Long digit strings in the forms a client might send: whole, with a point inside, behind
// leading zeros, and with an exponent that keeps the value near the double's limits.
void longTexts(std::vector<Fill>& out)
{
    const size_t kLengths[] = {17, 18, 19, 20, 25, 29, 30, 31, 40, 64, 100, 200, 308, 310};
    uint32_t seed = 1;
    for (size_t length : kLengths) {
        std::string digits = digitRun(length, seed++);
        std::string lead = digits.substr(0, 1), rest = digits.substr(1);
        out.push_back(asciiText(digits));
        out.push_back(asciiText(digits.substr(0, length / 2) + "." + digits.substr(length / 2)));
        out.push_back(asciiText("-0.000" + digits));
        out.push_back(asciiText(lead + "." + rest + "e-" + std::to_string(300 + length % 24)));
        out.push_back(asciiText(lead + "." + rest + "e" + std::to_string(280 + length % 29)));
    }
}

void texts(std::vector<Fill>& out)
{
    static const std::u16string_view kTexts[] = {
        u"",
        u" ",
        u"0",
        u"1",
        u"-1",
        u"+1",
        u" 12 ",
        u"\t12",
        u"12\t",
        u"- 1",
        u"--1",
        u"+-1",
        u"1-",
        u"(12)",
        u"1,000",
        u"1,000,000",
        u"1,00",
        u",1",
        u"1,",
        u"1,,0",
        u"1.5",
        u"2.5",
        u"-2.5",
        u"0.5",
        u"-0.5",
        u"3.5",
        u".5",
        u"5.",
        u".",
        u"-",
        u"+",
        u"1.2.3",
        u"1,234.5678",
        u"1e3",
        u"1E3",
        u"1e-3",
        u"1.5e+2",
        u"-2.5E1",
        u"1e",
        u"e1",
        u"1e400",
        u"1e-400",
        u"1d2",
        u"&H10",
        u"&h7F",
        u"&HFF",
        u"&H8000",
        u"&HFFFF",
        u"&H7FFFFFFF",
        u"&HFFFFFFFF",
        u"&HFFFFFFFFFFFFFFFF",
        u"&H10000000000000000",
        u"-&H10",
        u"&H",
        u"&H100000000",
        u"&O17",
        u"&o777",
        u"&B101",
        u"&Hxyz",
        u"$12",
        u"$1,234.56",
        u"12$",
        u"-$5",
        u"abc",
        u"1a",
        u"0x10",
        u"True",
        u"False",
        u"true",
        u"FALSE",
        u" True ",
        u"Yes",
        u"On",
        u"#TRUE#",
        u"127",
        u"128",
        u"-128",
        u"-129",
        u"255",
        u"256",
        u"32767",
        u"32768",
        u"-32768",
        u"-32769",
        u"65535",
        u"65536",
        u"2147483647",
        u"2147483648",
        u"-2147483648",
        u"-2147483649",
        u"4294967295",
        u"4294967296",
        u"9223372036854775807",
        u"9223372036854775808",
        u"-9223372036854775808",
        u"-9223372036854775809",
        u"18446744073709551615",
        u"18446744073709551616",
        u"922337203685477.5807",
        u"922337203685477.5808",
        u"-922337203685477.5808",
        u"-922337203685477.5809",
        u"79228162514264337593543950335",
        u"79228162514264337593543950336",
        u"0.0001",
        u"0.00005",
        u"0.00015",
        u"0.000049",
        u"1.23456789012345678901234567890",
        u"0.1234567890123456789012345678901",
        u"3.4028235e38",
        u"3.5e38",
        u"1.7976931348623157e308",
        u"1e308",
        u"1.797693134862315e308",
        u"1.7976931348623151e308",
        u"1.79769313486231e308",
        u"-1.797693134862315e308",
        u"0.17976931348623157e309",
        u"9.0e289",
        u"1e1000",
        u"2.2250738585072014e-308",
        u"4.9406564584124654e-324",
        u"4.94e-324",
        u"-4.94e-324",
        u"2.5e-324",
        u"7.4e-324",
        u"7.5e-324",
        u"1e-323",
        u"-1e-330",
        u"1e-1000",
        u"1.4e-45",
        u"1.5e-45",
        u"-1.5e-45",
        u"1e-44",
        u"3.4028235677973362e38",
        u"3.4028235677973366e38",
        u"1e-11",
        u"1e-19",
        u"1e-29",
        u"3e-40",
        u"70e-30",
        u"1e23",
        u"1e33",
        u"123456789012345678",
        u"123456789012345678901234567890",
        u"000123",
        u"0000000000000000000000000000000001",
        u"NaN",
        u"Inf",
        u"1/2/2000",
        u"12/31/1999",
        u"2000-01-02",
        u"1/2/2000 3:04:05 PM",
        u"1/2/2000 15:04",
        u"12:30",
        u"12:30:15",
        u"3:04:05 PM",
        u"12:00:00 AM",
        u"Jan 2, 2000",
        u"2 January 2000",
        u"1/1/49",
        u"1/1/50",
        u"12:00 PM",
        u"0:30 AM",
        u"13:00 PM",
        u"12:30:15 am",
        u"Jan 2000",
        u"January 2, 2000 10:00",
        u"2000/1/2",
        u"1-2-2000",
        u"Feb 30 2000",
        u"Sep 1, 2000",
        u"Sept 1, 2000",
        u"Monday, January 3, 2000",
        u"12:30 1/2/2000",
        u"1 PM 1/2/2000",
        u"3 PM",
        u"24:00",
        u"1:2:3:4",
        u"&H8000000000000000",
        u"&H7FFFFFFFFFFFFFFF",
        u"13/13/2000",
        u"2/30/2000",
        u"1/1/100",
        u"12/31/9999",
        u"1/1/10000",
        u"25:00",
        u"1.5.2000",
        u"\u00a01",
        u"\u00a0",
        u"\u0661",
        u"\uff11",
        u"1\u00a0000",
        std::u16string_view(u"1\0002", 3),
    };
    for (std::u16string_view literal : kTexts) out.push_back(text(literal));
}

} // namespace

std::vector<Fill> scalarSources()
{
    std::vector<Fill> out;
    out.push_back(raw(VT_EMPTY));
    out.push_back(raw(VT_NULL));
    integers(out);
    reals(out);
    currencyAndDates(out);
    addAll<VARIANT_BOOL>(out, VT_BOOL, {VARIANT_TRUE, VARIANT_FALSE, 1, 2});
    addAll<SCODE>(out, VT_ERROR,
                  {0, 1, static_cast<SCODE>(0x80020004L), static_cast<SCODE>(0x80004005L)});
    decimals(out);
    scaledDecimals(out);
    texts(out);
    longTexts(out);
    return out;
}

std::vector<Fill> arraySources()
{
    std::vector<Fill> out;
    out.push_back(vector(
        VT_I4, 0, {scalar<LONG>(VT_I4, 1), scalar<LONG>(VT_I4, -2), scalar<LONG>(VT_I4, 300)}));
    out.push_back(
        vector(VT_R8, 1,
               {scalar(VT_R8, 0.5), scalar(VT_R8, 1.5), scalar(VT_R8, 2.5), scalar(VT_R8, -2.5)}));
    out.push_back(vector(VT_R8, 0, {scalar(VT_R8, 1.0), scalar(VT_R8, 1e10)}));
    out.push_back(vector(VT_BSTR, 0, {text(u"1"), text(u" 2.5 "), text(u"-7")}));
    out.push_back(vector(VT_BSTR, 0, {text(u"12"), text(u"abc")}));
    out.push_back(vector(VT_BOOL, 0,
                         {scalar<VARIANT_BOOL>(VT_BOOL, VARIANT_TRUE),
                          scalar<VARIANT_BOOL>(VT_BOOL, VARIANT_FALSE)}));
    out.push_back(vector(VT_UI1, -1, {scalar<BYTE>(VT_UI1, 0), scalar<BYTE>(VT_UI1, 255)}));
    out.push_back(
        vector(VT_UI1, 0,
               {scalar<BYTE>(VT_UI1, 'a'), scalar<BYTE>(VT_UI1, 0), scalar<BYTE>(VT_UI1, 'b')}));
    out.push_back(vector(VT_I2, 0, {}));
    out.push_back(vector(VT_CY, 0, {scalar<LONGLONG>(VT_CY, 25000), scalar<LONGLONG>(VT_CY, 1)}));
    out.push_back(vector(VT_DATE, 0, {scalar(VT_DATE, 36526.5)}));
    out.push_back(vector(VT_DECIMAL, 0, {decimal(0, 1, 0, 25), decimal(0x80, 0, 0, 7)}));
    out.push_back(vector(VT_VARIANT, 0,
                         {scalar<LONG>(VT_I4, 4), text(u"5"), scalar(VT_R8, 6.5), raw(VT_EMPTY)}));
    out.push_back(array(VT_I4, {{2, 0}, {3, 1}},
                        {scalar<LONG>(VT_I4, 1), scalar<LONG>(VT_I4, 2), scalar<LONG>(VT_I4, 3),
                         scalar<LONG>(VT_I4, 4), scalar<LONG>(VT_I4, 5), scalar<LONG>(VT_I4, 6)}));
    return out;
}

std::vector<Fill> badTypeSources()
{
    return {raw(15), raw(VT_VARIANT), raw(VT_VOID), raw(VT_HRESULT), raw(VT_RECORD), raw(VT_LPSTR),
            raw(0x7F), raw(0xFFF), raw(VT_I4 | VT_VECTOR), raw(VT_I4 | VT_RESERVED),
            // null interface pointers: there is no object to ask for a value
            raw(VT_DISPATCH), raw(VT_UNKNOWN)};
}

} // namespace variant_table
