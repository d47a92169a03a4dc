// Bstr: owns one BSTR and frees it with SysFreeString, on both targets.
#pragma once

#include "vetrel/com.h"

#include <new>
#include <string_view>
#include <utility>

namespace vetrel {

class Bstr
{
public:
    Bstr() noexcept = default;

    // Copies `text`, embedded NULs included; throws std::bad_alloc when memory runs out.
    explicit Bstr(std::basic_string_view<OLECHAR> text)
        : m_bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {
        if (!m_bstr) throw std::bad_alloc();
    }

    // Takes over a BSTR the caller owns, such as one a client handed over.
    static Bstr attach(BSTR owned) noexcept
    {
        Bstr bstr;
        bstr.m_bstr = owned;
        return bstr;
    }

    Bstr(const Bstr& other) : m_bstr(copyOf(other.m_bstr)) {}
    Bstr(Bstr&& other) noexcept : m_bstr(other.detach()) {}
    Bstr& operator=(const Bstr& other)
    {
        if (this != &other) reset(copyOf(other.m_bstr));
        return *this;
    }
    Bstr& operator=(Bstr&& other) noexcept
    {
        if (this != &other) reset(other.detach());
        return *this;
    }
    ~Bstr() { SysFreeString(m_bstr); }

    BSTR get() const noexcept { return m_bstr; }

    // Frees the current string and returns the slot for a function that hands out a new one.
    BSTR* out() noexcept
    {
        reset();
        return &m_bstr;
    }

    // Gives up ownership, for handing the string to a client.
    BSTR detach() noexcept { return std::exchange(m_bstr, nullptr); }

    void reset(BSTR owned = nullptr) noexcept { SysFreeString(std::exchange(m_bstr, owned)); }

    UINT length() const noexcept { return SysStringLen(m_bstr); }

    std::basic_string_view<OLECHAR> view() const noexcept { return {m_bstr, length()}; }

private:
    static BSTR copyOf(BSTR source)
    {
        if (!source) return nullptr;
        BSTR copy =
            SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source), SysStringByteLen(source));
        if (!copy) throw std::bad_alloc();
        return copy;
    }

    BSTR m_bstr = nullptr;
};

} // namespace vetrel
