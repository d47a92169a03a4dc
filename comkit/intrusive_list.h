// An ordered list threaded through its elements: appending and unlinking are O(1) and cost no
// allocation, so an element can leave the middle of a long list as cheaply as the end.
#pragma once

#include <cstddef>

namespace vetrel {

template <typename T> struct ListHook
{
    T* prev = nullptr;
    T* next = nullptr;
};

// Does not own its elements; an element is in at most one list per hook.
template <typename T, ListHook<T> T::*Hook> class IntrusiveList
{
public:
    IntrusiveList() = default;
    IntrusiveList(const IntrusiveList&) = delete;
    IntrusiveList& operator=(const IntrusiveList&) = delete;

    void pushBack(T& element) noexcept
    {
        ListHook<T>& hook = element.*Hook;
        hook.prev = m_last;
        hook.next = nullptr;
        if (m_last)
            (m_last->*Hook).next = &element;
        else
            m_first = &element;
        m_last = &element;
        ++m_size;
    }

    void erase(T& element) noexcept
    {
        ListHook<T>& hook = element.*Hook;
        if (hook.prev)
            (hook.prev->*Hook).next = hook.next;
        else
            m_first = hook.next;
        if (hook.next)
            (hook.next->*Hook).prev = hook.prev;
        else
            m_last = hook.prev;
        hook = {};
        --m_size;
    }

    T* front() const noexcept { return m_first; }
    static T* next(const T& element) noexcept { return (element.*Hook).next; }
    bool empty() const noexcept { return m_first == nullptr; }
    std::size_t size() const noexcept { return m_size; }

    // Visits in order; visit may unlink the element it is given.
    template <typename Visit> void forEach(Visit&& visit) const
    {
        for (T* element = m_first; element;) {
            T* following = next(*element);
            visit(*element);
            element = following;
        }
    }

private:
    T* m_first = nullptr;
    T* m_last = nullptr;
    std::size_t m_size = 0;
};

} // namespace vetrel
