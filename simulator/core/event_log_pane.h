// The event log as its pane shows it: the log's lines and a top line that follows the newest
// line until the log is full.
#pragma once

#include "simulator/core/event_log.h"
#include "simulator/core/line_pane.h"

namespace moxlan {

class CEventLogPane
{
public:
    // Adds the line with its time prefix. While the log is not full and its lines overflow the
    // pane, the top line moves so that the newest line is the last one shown; a full log keeps
    // its top line while the content moves up under it.
    void addLine(std::string_view text, const SYSTEMTIME& localTime, int visibleLines);
    void clear() noexcept;
    // False when the pane has no lines and so ignores scrolling.
    bool scroll(ScrollAction action, int thumbPosition, int visibleLines);

    int topLine() const noexcept { return m_nTopLine; }
    const CEventLog& log() const noexcept { return m_log; }
    int lineCount() const noexcept { return static_cast<int>(m_log.lines().size()); }

private:
    CEventLog m_log;
    int m_nTopLine = 0;
};

} // namespace moxlan
