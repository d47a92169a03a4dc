// Handle: owns one kernel handle of the client process and closes it.
#pragma once

#include "vetrel/com.h"

#include <utility>

namespace e2e {

class Handle
{
public:
    explicit Handle(HANDLE handle = nullptr) noexcept : m_handle(handle) {}
    ~Handle()
    {
        if (valid()) CloseHandle(m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const noexcept { return m_handle; }
    HANDLE* put() noexcept { return &m_handle; }
    bool valid() const noexcept { return m_handle && m_handle != INVALID_HANDLE_VALUE; }
    void reset() noexcept
    {
        if (valid()) CloseHandle(std::exchange(m_handle, nullptr));
    }

private:
    HANDLE m_handle;
};

} // namespace e2e
