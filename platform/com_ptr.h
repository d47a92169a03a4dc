// ComPtr<T>: owns one reference to a COM interface.
#pragma once

#include "vetrel/com.h"

#include <cstddef>
#include <utility>

namespace vetrel {

template <typename T> class ComPtr
{
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}

    // Shares the caller's pointer: takes a reference of its own.
    explicit ComPtr(T* pointer) noexcept : m_pointer(pointer) { addRef(); }

    ComPtr(const ComPtr& other) noexcept : m_pointer(other.m_pointer) { addRef(); }
    ComPtr(ComPtr&& other) noexcept : m_pointer(other.detach()) {}
    ~ComPtr() { release(); }

    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_pointer, other.m_pointer);
        return *this;
    }

    T* get() const noexcept { return m_pointer; }
    T* operator->() const noexcept { return m_pointer; }
    explicit operator bool() const noexcept { return m_pointer != nullptr; }

    // Takes over a reference the caller already owns.
    void attach(T* pointer) noexcept
    {
        release();
        m_pointer = pointer;
    }

    // Gives up the reference without releasing it.
    T* detach() noexcept { return std::exchange(m_pointer, nullptr); }

    void reset() noexcept { release(); }

    // For out parameters: drops the current reference and exposes the slot.
    T** put() noexcept
    {
        release();
        return &m_pointer;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }

    // Hands a new reference to a client's out parameter.
    HRESULT copyTo(T** out) const noexcept
    {
        if (!out) return E_POINTER;
        *out = m_pointer;
        if (m_pointer) m_pointer->AddRef();
        return S_OK;
    }

    // The object's interface iid, or an empty pointer when it has none.
    template <typename U> ComPtr<U> as(REFIID iid) const noexcept
    {
        ComPtr<U> result;
        if (m_pointer) m_pointer->QueryInterface(iid, result.putVoid());
        return result;
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) noexcept
    {
        return a.m_pointer == b.m_pointer;
    }

private:
    void addRef() noexcept
    {
        if (m_pointer) m_pointer->AddRef();
    }
    void release() noexcept
    {
        if (T* pointer = std::exchange(m_pointer, nullptr)) pointer->Release();
    }

    T* m_pointer = nullptr;
};

} // namespace vetrel
