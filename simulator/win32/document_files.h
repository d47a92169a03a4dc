// CDocumentFiles: the File menu's side of the document: New, Open, Save, Save As and the
// recent files, the save prompt, and the document's title.
#pragma once

#include "simulator/core/moxlan_doc.h"
#include "simulator/core/recent_files.h"

#include <optional>
#include <string>
#include <windows.h>

namespace moxlan::win32 {

class CDocumentFiles
{
public:
    CDocumentFiles(CMoxlanDoc& doc, CRecentFileList& recent) : m_doc(doc), m_recent(recent) {}

    // The start: a new document, or the file named on the command line. False when that file
    // cannot be opened; the user has been told.
    bool start(const std::optional<std::string>& path);

    // Asks whether to save a modified document: false when the user cancels or the save fails.
    bool saveModified(HWND owner);
    void onNew(HWND owner);
    void onOpen(HWND owner);
    void onRecent(HWND owner, size_t index);
    bool onSave(HWND owner);
    bool onSaveAs(HWND owner);

    // "Drevik.OPCServer - Moxlan", or the open file's name in front.
    std::string windowTitle() const;
    const CRecentFileList& recentFiles() const noexcept { return m_recent; }

private:
    bool open(HWND owner, const std::string& path);
    void newDocument();

    CMoxlanDoc& m_doc;
    CRecentFileList& m_recent;
    // The file of File Save; empty for a new document.
    std::string m_path;
    std::string m_title;
};

} // namespace moxlan::win32
