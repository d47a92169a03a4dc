// CMoxlanView: the tag list pane. It shows one line per variable, keeps the selection, runs the
// one-second simulation timer and carries out the Simulate menu.
#pragma once

#include "simulator/core/moxlan_doc.h"
#include "simulator/core/tag_list_pane.h"
#include "simulator/win32/line_view.h"

namespace moxlan::win32 {

class CMoxlanView : public CLineView
{
public:
    explicit CMoxlanView(CMoxlanDoc& doc);

    void onNewVariable();
    void onModify();
    void onDelete();
    SimulateCommands commands() const { return m_pane.commands(m_doc.GetDeviceCount()); }
    // A Faults menu command on the selected variable.
    void onFault(int id);
    // Enables the Faults menu's items for the selected variable and checks its quality.
    void initFaultMenu(HMENU faults) const;

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void draw(HDC dc) override;
    bool scroll(ScrollAction action, int thumbPosition) override;
    int topLine() const override { return m_pane.topLine(); }
    void created() override;

private:
    // Selects the variable under the pointer and offers its Faults menu there.
    void showContextMenu(LPARAM screenPoint);

    CMoxlanDoc& m_doc;
    CTagListPane m_pane;
};

} // namespace moxlan::win32
