// OnDemand<T>: a part of a COM object made at the client's first request for it (a
// connection-point container, the OPC 1.0 data object) and kept until the object goes. Two
// first requests may race on client threads: one part wins, the other is dropped unseen.
#pragma once

#include <atomic>
#include <new>

namespace vetrel {

template <typename T> class OnDemand
{
public:
    OnDemand() noexcept = default;
    OnDemand(const OnDemand&) = delete;
    OnDemand& operator=(const OnDemand&) = delete;
    ~OnDemand() { delete m_part.load(); }

    // Null until made.
    T* get() const noexcept { return m_part.load(); }

    // The part, made now from args if it does not exist yet; null without memory.
    template <typename... Args> T* obtain(Args&&... args) noexcept
    {
        T* existing = m_part.load();
        if (existing) return existing;
        T* made = new (std::nothrow) T(std::forward<Args>(args)...);
        if (!made) return nullptr;
        if (m_part.compare_exchange_strong(existing, made)) return made;
        delete made;
        return existing;
    }

private:
    std::atomic<T*> m_part{nullptr};
};

} // namespace vetrel
