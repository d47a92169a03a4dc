// MultiByteToWideChar and WideCharToMultiByte over the ANSI code page (Windows-1252) and UTF-8,
// with the argument checks, lengths and error codes Windows gives.
#include "platform/posix/code_page_1252.h"
#include "vetrel/com.h"

#include <cstring>

using vetrel::posix::decode1252;
using vetrel::posix::encode1252;

namespace {

constexpr UINT kCodePage1252 = 1252;
constexpr char16_t kReplacement = 0xFFFD;

enum class Encoding
{
    Ansi,
    Utf8,
    Unsupported
};

Encoding encodingOf(UINT codePage)
{
    switch (codePage) {
    case CP_ACP:
    case CP_THREAD_ACP:
    case kCodePage1252:
        return Encoding::Ansi;
    case CP_UTF8:
        return Encoding::Utf8;
    default:
        return Encoding::Unsupported;
    }
}

// Counts what a conversion produces, and stores it when the caller gave room for it.
template <typename Unit> class Output
{
public:
    Output(Unit* buffer, int capacity) : m_buffer(buffer), m_capacity(capacity) {}

    void put(Unit unit)
    {
        if (m_capacity > 0) {
            if (m_count >= m_capacity) {
                m_overflow = true;
                return;
            }
            m_buffer[m_count] = unit;
        }
        ++m_count;
    }

    // The result Windows returns: the length, or 0 with ERROR_INSUFFICIENT_BUFFER.
    int result() const
    {
        if (!m_overflow) return m_count;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }

private:
    Unit* m_buffer;
    int m_capacity;
    int m_count = 0;
    bool m_overflow = false;
};

bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Decodes one UTF-8 sequence at text[0..length) into *value. A malformed one counts as the lead
// byte together with the continuation bytes that still fitted it, as Windows does.
bool decodeUtf8(const unsigned char* text, int length, char32_t* value, int* consumed)
{
    unsigned char lead = text[0];
    *consumed = 1;
    *value = kReplacement;
    if (lead < 0x80) {
        *value = lead;
        return true;
    }
    int needed;
    char32_t decoded;
    unsigned char low = 0x80, high = 0xBF; // the range allowed for the first continuation byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
        decoded = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        decoded = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;  // overlong
        if (lead == 0xED) high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        decoded = lead & 0x07;
        if (lead == 0xF0) low = 0x90;  // overlong
        if (lead == 0xF4) high = 0x8F; // beyond U+10FFFF
    } else {
        return false;
    }
    if (length < 2 || !isContinuation(text[1])) return false;
    *consumed = 2;
    if (text[1] < low || text[1] > high) return false;
    decoded = (decoded << 6) | (text[1] & 0x3F);
    for (int i = 2; i <= needed; ++i) {
        if (i >= length || !isContinuation(text[i])) return false;
        decoded = (decoded << 6) | (text[i] & 0x3F);
        *consumed = i + 1;
    }
    *value = decoded;
    return true;
}

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
bool isSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

int failWith(DWORD error)
{
    SetLastError(error);
    return 0;
}

int widenUtf8(const unsigned char* text, int length, bool strict, Output<WCHAR>& out)
{
    for (int i = 0; i < length;) {
        int consumed;
        char32_t value;
        if (!decodeUtf8(text + i, length - i, &value, &consumed) && strict)
            return failWith(ERROR_NO_UNICODE_TRANSLATION);
        if (value >= 0x10000) {
            value -= 0x10000;
            out.put(static_cast<WCHAR>(0xD800 + (value >> 10)));
            out.put(static_cast<WCHAR>(0xDC00 + (value & 0x3FF)));
        } else {
            out.put(static_cast<WCHAR>(value));
        }
        i += consumed;
    }
    return out.result();
}

void putUtf8(char32_t value, Output<char>& out)
{
    if (value < 0x80) {
        out.put(static_cast<char>(value));
    } else if (value < 0x800) {
        out.put(static_cast<char>(0xC0 | (value >> 6)));
        out.put(static_cast<char>(0x80 | (value & 0x3F)));
    } else if (value < 0x10000) {
        out.put(static_cast<char>(0xE0 | (value >> 12)));
        out.put(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        out.put(static_cast<char>(0x80 | (value & 0x3F)));
    } else {
        out.put(static_cast<char>(0xF0 | (value >> 18)));
        out.put(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
        out.put(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
        out.put(static_cast<char>(0x80 | (value & 0x3F)));
    }
}

int narrowUtf8(const WCHAR* text, int length, bool strict, LPBOOL usedDefault, Output<char>& out)
{
    bool replaced = false;
    for (int i = 0; i < length; ++i) {
        char32_t value = text[i];
        if (isHighSurrogate(text[i]) && i + 1 < length && isLowSurrogate(text[i + 1])) {
            value = 0x10000 + ((value - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (isSurrogate(text[i])) {
            if (strict) return failWith(ERROR_NO_UNICODE_TRANSLATION);
            value = kReplacement;
            replaced = true;
        }
        putUtf8(value, out);
    }
    if (usedDefault) *usedDefault = replaced;
    return out.result();
}

int narrowAnsi(const WCHAR* text, int length, DWORD flags, LPCCH defaultChar, LPBOOL usedDefault,
               Output<char>& out)
{
    const char substitute = defaultChar ? *defaultChar : '?';
    const bool bestFit = !(flags & WC_NO_BEST_FIT_CHARS);
    bool substituted = false;
    for (int i = 0; i < length; ++i) {
        int byte = encode1252(text[i], bestFit);
        if (byte < 0) {
            out.put(substitute);
            substituted = true;
        } else {
            out.put(static_cast<char>(byte));
        }
    }
    if (usedDefault) *usedDefault = substituted;
    return out.result();
}

} // namespace

extern "C" UINT WINAPI GetACP()
{
    return kCodePage1252;
}

extern "C" int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr,
                                          int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar)
{
    constexpr DWORD kKnownFlags =
        MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
    Encoding encoding = encodingOf(CodePage);
    if (!lpMultiByteStr || cbMultiByte == 0 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr) || encoding == Encoding::Unsupported)
        return failWith(ERROR_INVALID_PARAMETER);
    if (dwFlags & ~kKnownFlags) return failWith(ERROR_INVALID_FLAGS);
    // Any negative length means "up to and including the terminator".
    int length = cbMultiByte < 0 ? static_cast<int>(std::strlen(lpMultiByteStr)) + 1 : cbMultiByte;
    const auto* text = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    Output<WCHAR> out(lpWideCharStr, cchWideChar);
    if (encoding == Encoding::Utf8)
        return widenUtf8(text, length, (dwFlags & MB_ERR_INVALID_CHARS) != 0, out);
    for (int i = 0; i < length; ++i) out.put(decode1252(text[i]));
    return out.result();
}

extern "C" int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr,
                                          int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                                          LPCCH lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    constexpr DWORD kKnownFlags = WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR |
                                  WC_ERR_INVALID_CHARS | WC_NO_BEST_FIT_CHARS;
    Encoding encoding = encodingOf(CodePage);
    if (!lpWideCharStr || cchWideChar == 0 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) || encoding == Encoding::Unsupported)
        return failWith(ERROR_INVALID_PARAMETER);
    if (dwFlags & ~kKnownFlags) return failWith(ERROR_INVALID_FLAGS);
    int length = cchWideChar < 0 ? lstrlenW(lpWideCharStr) + 1 : cchWideChar;
    Output<char> out(lpMultiByteStr, cbMultiByte);
    if (encoding == Encoding::Utf8)
        return narrowUtf8(lpWideCharStr, length, (dwFlags & WC_ERR_INVALID_CHARS) != 0,
                          lpUsedDefaultChar, out);
    return narrowAnsi(lpWideCharStr, length, dwFlags, lpDefaultChar, lpUsedDefaultChar, out);
}

extern "C" int WINAPI lstrlenA(LPCSTR lpString)
{
    return lpString ? static_cast<int>(std::strlen(lpString)) : 0;
}

extern "C" int WINAPI lstrlenW(LPCWSTR lpString)
{
    if (!lpString) return 0;
    int length = 0;
    while (lpString[length]) ++length;
    return length;
}
