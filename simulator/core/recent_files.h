// The File menu's recent-file list: the newest first, at most four, kept in the registry under
// the program's profile key so the next run offers them again.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace moxlan {

// Under HKEY_CURRENT_USER: the profile key, then the application's name.
constexpr const char* kProfileKey = "Software\\Local AppWizard-Generated Applications\\Moxlan";

class CRecentFileList
{
public:
    static constexpr size_t kMaxFiles = 4;

    // registryKey: the key under HKEY_CURRENT_USER that holds the "Recent File List" subkey.
    explicit CRecentFileList(std::string registryKey = kProfileKey);

    // Reads the entries "File1" ... "File4"; missing or empty ones are skipped.
    void load();
    // Writes the entries and removes those the list no longer has. False when the registry
    // refuses.
    bool save() const;

    // Puts the path first; the same path in another letter case counts as the same file.
    void add(std::string_view path);
    void remove(size_t index);

    const std::vector<std::string>& files() const noexcept { return m_files; }
    // "&1 C:\Data\Plant.cfg", with an ampersand of the path doubled so it shows as itself.
    std::string menuText(size_t index) const;

private:
    std::string listKey() const;

    std::string m_registryKey;
    std::vector<std::string> m_files;
};

} // namespace moxlan
