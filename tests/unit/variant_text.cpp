#include "unit/variant_text.h"

#include <array>
#include <charconv>
#include <cstring>

namespace variant_text {
namespace {

template <class T> T load(const void* data)
{
    T result;
    std::memcpy(&result, data, sizeof result);
    return result;
}

template <class T> std::string decimal(T number)
{
    std::array<char, 32> buffer;
    auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number).ptr;
    return std::string(buffer.data(), end);
}

std::string string(const BSTR text)
{
    if (!text) return "null";
    std::string out = "\"";
    for (UINT i = 0, n = SysStringLen(text); i < n; ++i) {
        auto unit = static_cast<unsigned>(text[i]);
        if (unit >= 0x20 && unit < 0x7F && unit != '\\' && unit != '"') {
            out += static_cast<char>(unit);
        } else {
            std::string digits = hex(unit).substr(2);
            out += "\\u" + std::string(4 - digits.size(), '0') + digits;
        }
    }
    return out + "\"";
}

std::string decimalFields(const DECIMAL& d)
{
    return "sign=" + hex(d.sign) + ",scale=" + decimal(unsigned{d.scale}) + ",hi=" + hex(d.Hi32) +
           ",lo=" + hex(d.Lo64);
}

std::string array(VARTYPE elementType, const SAFEARRAY* constArray)
{
    if (!constArray) return "null";
    auto* psa = const_cast<SAFEARRAY*>(constArray);
    UINT dims = SafeArrayGetDim(psa);
    std::string out = "[";
    size_t count = 1;
    for (UINT dim = 1; dim <= dims; ++dim) {
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(psa, dim, &lower);
        SafeArrayGetUBound(psa, dim, &upper);
        out += (dim > 1 ? "," : "") + decimal(lower) + ".." + decimal(upper);
        count *= static_cast<size_t>(static_cast<long long>(upper) - lower + 1);
    }
    out += "]{";
    void* elements = nullptr;
    if (count > 0 && SUCCEEDED(SafeArrayAccessData(psa, &elements))) {
        UINT size = SafeArrayGetElemsize(psa);
        for (size_t i = 0; i < count; ++i)
            out += (i ? "," : "") + value(elementType, static_cast<BYTE*>(elements) + i * size);
        SafeArrayUnaccessData(psa);
    }
    return out + "}";
}

} // namespace

std::string hex(unsigned long long number)
{
    std::array<char, 32> buffer;
    auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number, 16).ptr;
    return "0x" + std::string(buffer.data(), end);
}

std::string typeName(VARTYPE vt)
{
    static const char* const kBaseNames[] = {
        "EMPTY",    "NULL",  "I2",   "I4",      "R4",      "R8",      "CY",   "DATE",   "BSTR",
        "DISPATCH", "ERROR", "BOOL", "VARIANT", "UNKNOWN", "DECIMAL", "vt15", "I1",     "UI1",
        "UI2",      "UI4",   "I8",   "UI8",     "INT",     "UINT",    "VOID", "HRESULT"};
    std::string prefix;
    if (vt & VT_RESERVED) prefix += "RESERVED|";
    if (vt & VT_BYREF) prefix += "BYREF|";
    if (vt & VT_ARRAY) prefix += "ARRAY|";
    if (vt & VT_VECTOR) prefix += "VECTOR|";
    unsigned base = vt & VT_TYPEMASK;
    if (base < std::size(kBaseNames)) return prefix + kBaseNames[base];
    return prefix + "vt" + hex(base);
}

std::string exactDouble(double number)
{
    auto bits = load<unsigned long long>(&number);
    std::string sign = (bits >> 63) ? "-" : "";
    unsigned exponent = (bits >> 52) & 0x7FF;
    unsigned long long mantissa = bits & ((1ULL << 52) - 1);
    if (exponent == 0x7FF) return mantissa ? "nan:" + hex(bits) : sign + "inf";
    if (exponent == 0 && mantissa == 0) return sign + "0x0p+0";
    // Thirteen hex digits hold the 52 fraction bits; trailing zeros carry no information.
    std::string fraction = hex(mantissa | (1ULL << 52)).substr(3);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    int power = exponent ? static_cast<int>(exponent) - 1023 : -1022;
    std::string leading = exponent ? "0x1" : "0x0";
    return sign + leading + (fraction.empty() ? "" : "." + fraction) + "p" +
           (power >= 0 ? "+" : "") + decimal(power);
}

std::string exactFloat(float number)
{
    // Widening keeps every finite float exactly; a NaN keeps its own bits.
    if (number != number) return "nan:" + hex(load<uint32_t>(&number));
    return exactDouble(number);
}

std::string value(VARTYPE vt, const void* data)
{
    if (vt & VT_ARRAY) return array(vt & VT_TYPEMASK, load<SAFEARRAY*>(data));
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
        return "";
    case VT_I1:
        return decimal(int{load<CHAR>(data)});
    case VT_UI1:
        return decimal(unsigned{load<BYTE>(data)});
    case VT_I2:
        return decimal(load<SHORT>(data));
    case VT_UI2:
        return decimal(load<USHORT>(data));
    case VT_I4:
        return decimal(load<LONG>(data));
    case VT_UI4:
        return decimal(load<ULONG>(data));
    case VT_INT:
        return decimal(load<INT>(data));
    case VT_UINT:
        return decimal(load<UINT>(data));
    case VT_I8:
        return decimal(load<LONGLONG>(data));
    case VT_UI8:
        return decimal(load<ULONGLONG>(data));
    case VT_R4:
        return exactFloat(load<FLOAT>(data));
    case VT_R8:
    case VT_DATE:
        return exactDouble(load<DOUBLE>(data));
    case VT_CY:
        return decimal(load<CY>(data).int64);
    case VT_BSTR:
        return string(load<BSTR>(data));
    case VT_BOOL:
        return decimal(load<VARIANT_BOOL>(data));
    case VT_ERROR:
        return hex(static_cast<ULONG>(load<SCODE>(data)));
    case VT_DECIMAL:
        return decimalFields(load<DECIMAL>(data));
    case VT_VARIANT:
        return "(" + variant(load<VARIANT>(data)) + ")";
    default:
        return "?";
    }
}

std::string variant(const VARIANT& v)
{
    VARTYPE vt = V_VT(&v);
    std::string name = typeName(vt);
    VARTYPE base = vt & VT_TYPEMASK;
    bool readable = (vt & ~(VT_ARRAY | VT_TYPEMASK)) == 0 && base <= VT_UINT && base != 15 &&
                    base != VT_DISPATCH && base != VT_UNKNOWN &&
                    (base != VT_VARIANT || (vt & VT_ARRAY));
    if (!readable) return name;
    const void* data = vt == VT_DECIMAL ? static_cast<const void*>(&V_DECIMAL(&v))
                                        : static_cast<const void*>(&V_UI1(&v));
    return name + ":" + value(vt, data);
}

} // namespace variant_text
