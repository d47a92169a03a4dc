#include "watch_queue.h"

namespace opcprobe {

void WatchQueue::push(std::vector<std::string> lines)
{
    {
        std::lock_guard held(m_lock);
        m_queued.lastHeard = Clock::now();
        for (std::string& line : lines) m_queued.lines.push_back(std::move(line));
    }
    m_filled.notify_one();
}

void WatchQueue::requestShutdown(std::string reason)
{
    {
        std::lock_guard held(m_lock);
        if (!m_queued.shutdown) m_queued.shutdown = std::move(reason);
    }
    m_filled.notify_one();
}

WatchQueue::Taken WatchQueue::take(Clock::time_point deadline)
{
    std::unique_lock held(m_lock);
    m_filled.wait_until(held, deadline,
                        [this] { return !m_queued.lines.empty() || m_queued.shutdown; });
    Taken taken;
    taken.lines = std::move(m_queued.lines);
    m_queued.lines.clear();
    taken.shutdown = m_queued.shutdown;
    taken.lastHeard = m_queued.lastHeard;
    return taken;
}

} // namespace opcprobe
