// BareRef: owns one reference to an interface and releases it, so the bare programs stay free
// of any other code base.
#pragma once

#include <unknwn.h>
#include <utility>

template <typename T> class BareRef
{
public:
    BareRef() = default;
    // Takes over a reference the caller holds.
    explicit BareRef(T* held) noexcept : m_held(held) {}
    ~BareRef() { reset(); }
    BareRef(BareRef&& other) noexcept : m_held(std::exchange(other.m_held, nullptr)) {}
    BareRef& operator=(BareRef&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_held = std::exchange(other.m_held, nullptr);
        }
        return *this;
    }

    T* get() const noexcept { return m_held; }
    T* operator->() const noexcept { return m_held; }
    T** put() noexcept
    {
        reset();
        return &m_held;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    void reset() noexcept
    {
        if (m_held) std::exchange(m_held, nullptr)->Release();
    }

private:
    T* m_held = nullptr;
};
