#include "simulator/win32/document_files.h"

#include "simulator/win32/message_box.h"

#include <commdlg.h>

namespace moxlan::win32 {

namespace {

constexpr char kFilter[] = "Moxlan configuration (*.cfg)\0*.cfg\0All Files (*.*)\0*.*\0";

std::string fileNameOf(const std::string& path)
{
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

// The path the user chose in the Open or Save As dialog, or nothing when cancelled.
std::optional<std::string> askForFile(HWND owner, bool save, const std::string& initial)
{
    char path[MAX_PATH] = {};
    initial.copy(path, sizeof path - 1);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrDefExt = "cfg";
    dialog.Flags =
        OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) return std::nullopt;
    return std::string(path);
}

} // namespace

bool CDocumentFiles::start(const std::optional<std::string>& path)
{
    if (!path) {
        newDocument();
        return true;
    }
    return open(nullptr, *path);
}

void CDocumentFiles::newDocument()
{
    m_doc.OnNewDocument();
    m_path.clear();
    m_title = m_doc.title();
}

bool CDocumentFiles::open(HWND owner, const std::string& path)
{
    const CMoxlanDoc::LoadResult result = m_doc.loadFile(path);
    if (!result.loaded) {
        showMessage(owner, "Cannot open " + path + ": " + result.problem, MB_ICONEXCLAMATION);
        return false;
    }
    if (!result.alarmProblem.empty())
        showMessage(owner, "Opened without alarms. " + result.alarmProblem, MB_ICONEXCLAMATION);
    m_path = path;
    m_title = fileNameOf(path);
    m_recent.add(path);
    return true;
}

bool CDocumentFiles::saveModified(HWND owner)
{
    if (!m_doc.IsModified()) return true;
    const std::string question = "Save changes to " + m_title + "?";
    switch (MessageBoxA(owner, question.c_str(), kAppTitle, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDYES:
        return onSave(owner);
    case IDNO:
        return true;
    default:
        return false;
    }
}

void CDocumentFiles::onNew(HWND owner)
{
    if (saveModified(owner)) newDocument();
}

void CDocumentFiles::onOpen(HWND owner)
{
    if (!saveModified(owner)) return;
    if (const auto path = askForFile(owner, false, {})) open(owner, *path);
}

void CDocumentFiles::onRecent(HWND owner, size_t index)
{
    if (index >= m_recent.files().size() || !saveModified(owner)) return;
    const std::string path = m_recent.files()[index];
    // A file that cannot be opened any more leaves the list.
    if (!open(owner, path)) m_recent.remove(index);
}

bool CDocumentFiles::onSave(HWND owner)
{
    if (m_path.empty()) return onSaveAs(owner);
    if (m_doc.saveFile(m_path)) return true;
    showMessage(owner, "Cannot save " + m_path + ".", MB_ICONEXCLAMATION);
    return false;
}

bool CDocumentFiles::onSaveAs(HWND owner)
{
    const auto path = askForFile(owner, true, m_path.empty() ? m_title : m_path);
    if (!path) return false;
    if (!m_doc.saveFile(*path)) {
        showMessage(owner, "Cannot save " + *path + ".", MB_ICONEXCLAMATION);
        return false;
    }
    m_path = *path;
    m_title = fileNameOf(*path);
    m_recent.add(*path);
    return true;
}

std::string CDocumentFiles::windowTitle() const
{
    return m_title + " - " + kAppTitle;
}

} // namespace moxlan::win32
