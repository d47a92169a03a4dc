#include "events/event_queue.h"

#include <new>

namespace vetrel {

void EventQueue::post(ClientDeliveries& due) noexcept
{
    std::lock_guard held(m_lock);
    try {
        for (auto& delivery : due) m_pending.push_back(std::move(delivery));
    } catch (const std::bad_alloc&) {
        // The sink references and blocks of the dropped calls go with due.
    }
}

void EventQueue::deliver() noexcept
{
    {
        std::lock_guard held(m_lock);
        if (m_delivering) return;
        m_delivering = true;
    }
    for (;;) {
        std::unique_ptr<ClientDelivery> next;
        {
            std::lock_guard held(m_lock);
            if (m_pending.empty()) {
                m_delivering = false;
                return;
            }
            next = std::move(m_pending.front());
            m_pending.pop_front();
        }
        // The call, and the release of the sink and block after it, run without the lock.
        next->send();
    }
}

} // namespace vetrel
