// GlobalLock: keeps an HGLOBAL locked, and its contents addressable, for one scope. Name it
// qualified (GlobalLock): the system function of the same name hides it otherwise.
#pragma once

#include "vetrel/com.h"

namespace vetrel {

class GlobalLock
{
public:
    explicit GlobalLock(HGLOBAL handle) noexcept : m_handle(handle), m_data(::GlobalLock(handle)) {}
    GlobalLock(const GlobalLock&) = delete;
    GlobalLock& operator=(const GlobalLock&) = delete;
    ~GlobalLock()
    {
        if (m_data) ::GlobalUnlock(m_handle);
    }

    // Null when the handle is invalid or its block empty.
    void* get() const noexcept { return m_data; }
    template <typename T> T* as() const noexcept { return static_cast<T*>(m_data); }
    explicit operator bool() const noexcept { return m_data != nullptr; }

private:
    HGLOBAL m_handle;
    void* m_data;
};

} // namespace vetrel
