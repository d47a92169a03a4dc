// CMainFrame: the main window. Its client area holds the tag list above the event log with a
// bar between them that the user can drag; it carries out the menu commands and routes Exit and
// the close box to the orderly exit.
#pragma once

#include "simulator/win32/document_files.h"
#include "simulator/win32/event_log_view.h"
#include "simulator/win32/tag_list_view.h"
#include "simulator/win32/window.h"

namespace moxlan::win32 {

class CMainFrame : public Window
{
public:
    CMainFrame(CMoxlanDoc& doc, CDocumentFiles& files);

    // Builds the window, its menu and both panes; false when any of them cannot be made.
    bool create();
    COPCSvrEventView& eventView() noexcept { return m_eventView; }
    void updateTitle();

protected:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void onCommand(int id);
    void onSimulate(int id);
    void onFileCommand(int id);
    // Asks the clients to leave and ends the program only when none stays.
    void requestExit();
    void initPopup(HMENU popup);
    void fillRecentFiles(HMENU file);
    void showHelp();
    void focusOtherPane();

    // Places both panes around the bar.
    void layout();
    void dragBar(int y);

    CMoxlanDoc& m_doc;
    CDocumentFiles& m_files;
    CMoxlanView m_tagView;
    COPCSvrEventView m_eventView;
    // The top pane's height; the bar lies below it.
    int m_split = -1;
    bool m_dragging = false;
};

} // namespace moxlan::win32
