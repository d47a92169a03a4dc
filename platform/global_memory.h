// GlobalMemory: owns one block of global memory, the medium of the OLE data-transfer calls.
#pragma once

#include "vetrel/com.h"

#include <utility>

namespace vetrel {

class GlobalMemory
{
public:
    GlobalMemory() noexcept = default;
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    GlobalMemory(GlobalMemory&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr))
    {}
    GlobalMemory& operator=(GlobalMemory&& other) noexcept
    {
        std::swap(m_handle, other.m_handle);
        return *this;
    }
    ~GlobalMemory()
    {
        if (m_handle) GlobalFree(m_handle);
    }

    // A fixed block of size bytes, zero-filled; empty when the system refuses.
    static GlobalMemory allocateFixed(SIZE_T size) noexcept
    {
        GlobalMemory result;
        result.m_handle = GlobalAlloc(GPTR, size);
        return result;
    }

    HGLOBAL get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != nullptr; }

private:
    HGLOBAL m_handle = nullptr;
};

} // namespace vetrel
