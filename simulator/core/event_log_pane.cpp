#include "simulator/core/event_log_pane.h"

namespace moxlan {

void CEventLogPane::addLine(std::string_view text, const SYSTEMTIME& localTime, int visibleLines)
{
    m_log.addLine(text, localTime);
    const int lines = lineCount();
    if (lines < static_cast<int>(CEventLog::kMaxLines) && visibleLines < lines)
        m_nTopLine = lines - visibleLines;
}

void CEventLogPane::clear() noexcept
{
    m_log.clear();
    m_nTopLine = 0;
}

bool CEventLogPane::scroll(ScrollAction action, int thumbPosition, int visibleLines)
{
    const std::optional<int> top =
        scrolledTopLine(m_nTopLine, action, thumbPosition, visibleLines, lineCount());
    if (!top) return false;
    m_nTopLine = *top;
    return true;
}

} // namespace moxlan
