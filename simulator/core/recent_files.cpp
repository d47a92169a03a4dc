#include "simulator/core/recent_files.h"

#include "platform/reg_key.h"
#include "simulator/core/command_line.h"

#include <algorithm>

namespace moxlan {

namespace {

std::string entryName(size_t index)
{
    return "File" + std::to_string(index + 1);
}

} // namespace

CRecentFileList::CRecentFileList(std::string registryKey) : m_registryKey(std::move(registryKey)) {}

std::string CRecentFileList::listKey() const
{
    return m_registryKey + "\\Recent File List";
}

void CRecentFileList::load()
{
    m_files.clear();
    const vetrel::RegKey key = vetrel::RegKey::open(HKEY_CURRENT_USER, listKey().c_str(), KEY_READ);
    if (!key) return;
    for (size_t i = 0; i < kMaxFiles; ++i) {
        char data[1024];
        DWORD type = 0;
        DWORD size = sizeof data;
        if (RegQueryValueExA(key.get(), entryName(i).c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            continue;
        std::string path(data, size);
        path.resize(path.find('\0') == std::string::npos ? path.size() : path.find('\0'));
        if (!path.empty()) m_files.push_back(std::move(path));
    }
}

bool CRecentFileList::save() const
{
    const vetrel::RegKey key = vetrel::RegKey::create(HKEY_CURRENT_USER, listKey().c_str());
    if (!key) return false;
    bool saved = true;
    for (size_t i = 0; i < kMaxFiles; ++i) {
        const std::string name = entryName(i);
        if (i >= m_files.size()) {
            RegDeleteValueA(key.get(), name.c_str());
            continue;
        }
        const std::string& path = m_files[i];
        saved = RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(path.c_str()),
                               static_cast<DWORD>(path.size() + 1)) == ERROR_SUCCESS &&
                saved;
    }
    return saved;
}

void CRecentFileList::add(std::string_view path)
{
    std::erase_if(m_files, [&](const std::string& file) { return equalIgnoringCase(file, path); });
    m_files.insert(m_files.begin(), std::string(path));
    if (m_files.size() > kMaxFiles) m_files.resize(kMaxFiles);
}

void CRecentFileList::remove(size_t index)
{
    if (index < m_files.size()) m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(index));
}

std::string CRecentFileList::menuText(size_t index) const
{
    std::string text = "&" + std::to_string(index + 1) + " ";
    if (index >= m_files.size()) return text;
    for (char c : m_files[index]) {
        text += c;
        if (c == '&') text += '&';
    }
    return text;
}

} // namespace moxlan
