// The tag list's own state: the top line, the selected line, and what the Simulate menu offers
// for them.
#pragma once

#include "simulator/core/line_pane.h"

namespace moxlan {

struct SimulateCommands
{
    // Only while the list has room for another variable.
    bool newVariable = false;
    // Modify and Delete act on the selected line.
    bool modify = false;
    bool remove = false;
};

class CTagListPane
{
public:
    // False when the list is empty and so ignores scrolling.
    bool scroll(ScrollAction action, int thumbPosition, int visibleLines, int count);
    // A click selects the line under it, or nothing below the last variable.
    void click(int y, int cyLine, int count);
    // The same index stays selected, now showing the next variable, unless the list ends
    // before it.
    void removed(int count);
    SimulateCommands commands(int count) const;

    int topLine() const noexcept { return m_nTopLine; }
    int selected() const noexcept { return m_nSelected; }

private:
    int m_nTopLine = 0;
    int m_nSelected = -1;
};

} // namespace moxlan
