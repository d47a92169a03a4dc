#include "simulator/core/main_queue.h"

#include "simulator/core/moxlan_doc.h"

#include <exception>
#include <utility>

namespace moxlan {

void MainQueue::post(HostEvent event)
{
    {
        std::lock_guard held(m_lock);
        if (m_closed) return;
        m_events.push_back(std::move(event));
    }
    m_posted.notify_one();
}

std::optional<HostEvent> MainQueue::waitUntil(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock held(m_lock);
    if (!m_posted.wait_until(held, deadline, [this] { return !m_events.empty(); }))
        return std::nullopt;
    HostEvent event = std::move(m_events.front());
    m_events.pop_front();
    return event;
}

std::deque<HostEvent> MainQueue::takeAll()
{
    std::lock_guard held(m_lock);
    return std::exchange(m_events, {});
}

void MainQueue::close()
{
    std::lock_guard held(m_lock);
    m_closed = true;
    m_events.clear();
}

MainQueue& mainQueue()
{
    static MainQueue* const queue = new MainQueue;
    return *queue;
}

bool postTrace(const char* text) noexcept
{
    try {
        HostEvent event = HostEvent::of(HostEvent::Kind::Trace);
        event.text = text;
        GetLocalTime(&event.time);
        mainQueue().post(std::move(event));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool postTagWritten(DWORD tag) noexcept
{
    try {
        const std::optional<float> value = CMoxlanDoc::WrittenValue(tag);
        if (!value) return false;
        HostEvent event = HostEvent::of(HostEvent::Kind::TagWritten);
        event.tag = tag;
        event.value = *value;
        mainQueue().post(std::move(event));
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace moxlan
