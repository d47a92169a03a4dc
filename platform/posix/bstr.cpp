// BSTR: a length-prefixed, NUL-terminated wide string. The 32-bit byte length sits in the four
// bytes before the first character, so a BSTR may hold embedded NULs and odd byte counts.
#include "vetrel/com.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// The length prefix is read as a signed count by many clients, so larger strings are refused.
constexpr size_t kMaxBytes = 0x7FFFFFFF - sizeof(DWORD) - sizeof(OLECHAR);

DWORD* header(BSTR bstr) noexcept
{
    return reinterpret_cast<DWORD*>(bstr) - 1;
}

// A zeroed string of `bytes` bytes plus the terminator, or null when it cannot be had.
BSTR allocate(size_t bytes) noexcept
{
    if (bytes > kMaxBytes) return nullptr;
    void* block = std::calloc(1, sizeof(DWORD) + bytes + sizeof(OLECHAR));
    if (!block) return nullptr;
    auto* prefix = static_cast<DWORD*>(block);
    *prefix = static_cast<DWORD>(bytes);
    return reinterpret_cast<BSTR>(prefix + 1);
}

size_t textLength(const OLECHAR* text) noexcept
{
    size_t length = 0;
    while (text[length]) ++length;
    return length;
}

} // namespace

STDAPI_(BSTR) SysAllocStringByteLen(LPCSTR psz, UINT len)
{
    BSTR bstr = allocate(len);
    if (bstr && psz) std::memcpy(bstr, psz, len);
    return bstr;
}

STDAPI_(BSTR) SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    return SysAllocStringByteLen(reinterpret_cast<LPCSTR>(strIn), ui > kMaxBytes / sizeof(OLECHAR)
                                                                      ? UINT(-1)
                                                                      : UINT(ui * sizeof(OLECHAR)));
}

STDAPI_(BSTR) SysAllocString(const OLECHAR* psz)
{
    if (!psz) return nullptr;
    size_t length = textLength(psz);
    if (length > kMaxBytes / sizeof(OLECHAR)) return nullptr;
    return SysAllocStringLen(psz, static_cast<UINT>(length));
}

STDAPI_(void) SysFreeString(BSTR bstrString)
{
    if (bstrString) std::free(header(bstrString));
}

STDAPI_(UINT) SysStringByteLen(BSTR bstr)
{
    return bstr ? *header(bstr) : 0;
}

STDAPI_(UINT) SysStringLen(BSTR pbstr)
{
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}

// The source may lie inside the string being replaced, so the new string is filled before the
// old one goes. Without a source the old characters are kept, as far as they reach.
STDAPI_(INT) SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len)
{
    if (!pbstr) return FALSE;
    BSTR fresh = SysAllocStringLen(psz, len);
    if (!fresh) return FALSE;
    if (!psz && *pbstr)
        std::memcpy(fresh, *pbstr, std::min(len, SysStringLen(*pbstr)) * sizeof(OLECHAR));
    SysFreeString(*pbstr);
    *pbstr = fresh;
    return TRUE;
}

STDAPI_(INT) SysReAllocString(BSTR* pbstr, const OLECHAR* psz)
{
    if (!pbstr) return FALSE;
    if (!psz) {
        SysFreeString(*pbstr);
        *pbstr = nullptr;
        return TRUE;
    }
    size_t length = textLength(psz);
    if (length > kMaxBytes / sizeof(OLECHAR)) return FALSE;
    return SysReAllocStringLen(pbstr, psz, static_cast<UINT>(length));
}
