#include "simulator/core/tag_list_pane.h"

#include "simulator/core/device_list.h"

namespace moxlan {

bool CTagListPane::scroll(ScrollAction action, int thumbPosition, int visibleLines, int count)
{
    const std::optional<int> top =
        scrolledTopLine(m_nTopLine, action, thumbPosition, visibleLines, count);
    if (!top) return false;
    m_nTopLine = *top;
    return true;
}

void CTagListPane::click(int y, int cyLine, int count)
{
    m_nSelected = lineAt(m_nTopLine, y, cyLine, count);
}

void CTagListPane::removed(int count)
{
    if (m_nSelected >= count) m_nSelected = -1;
}

SimulateCommands CTagListPane::commands(int count) const
{
    const bool lineSelected = m_nSelected >= 0 && m_nSelected < count;
    return {count < static_cast<int>(kMaxDevices), lineSelected, lineSelected};
}

} // namespace moxlan
