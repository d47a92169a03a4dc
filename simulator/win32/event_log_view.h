// COPCSvrEventView: the event log pane. It shows the runtime's trace lines with their arrival
// time, follows the newest line, and copies the log to the clipboard.
#pragma once

#include "simulator/core/event_log_pane.h"
#include "simulator/win32/line_view.h"

namespace moxlan::win32 {

class COPCSvrEventView : public CLineView
{
public:
    COPCSvrEventView();

    // Lines added are shown by the next showNewLines: moving the scroll bar for each line of a
    // burst would cost a redraw each.
    void addLine(std::string_view text, const SYSTEMTIME& localTime);
    void showNewLines();
    void clear();
    // The log as plain 8-bit text, one line per row ending in CR LF; nothing happens when the
    // log is empty or the clipboard memory cannot be had.
    void copy();

protected:
    void draw(HDC dc) override;
    bool scroll(ScrollAction action, int thumbPosition) override;
    int topLine() const override { return m_pane.topLine(); }

private:
    CEventLogPane m_pane;
};

} // namespace moxlan::win32
