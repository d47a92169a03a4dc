// CMoxlanDoc: the simulator's document. It owns the variables with one runtime tag each, steps
// and publishes them every tick, takes client writes back, and keeps them in a configuration
// file.
#pragma once

#include "simulator/core/config_file.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace moxlan {

class CMoxlanDoc
{
public:
    // Shows a user error, as a message box would.
    using MessageSink = std::function<void(const std::string&)>;

    struct LoadResult
    {
        bool loaded = false;
        // Why the bytes were refused; empty when loaded.
        std::string problem;
    };

    // Loads configPath when it can be read. A file that is there but refused is first kept
    // beside it with ".bad" appended, so the final save never destroys the only copy. An empty
    // path gives a document without a configuration file: nothing is loaded or saved.
    explicit CMoxlanDoc(std::filesystem::path configPath = {}, MessageSink showMessage = {});
    // The final save to the configuration file, then every tag is removed.
    ~CMoxlanDoc();
    CMoxlanDoc(const CMoxlanDoc&) = delete;
    CMoxlanDoc& operator=(const CMoxlanDoc&) = delete;

    // Appends a filled variable and creates its tag, unless the list is full or holds the name.
    bool AddDevice(std::unique_ptr<CDeviceTag> device);
    bool RemoveDevice(int index);
    CDeviceTag* GetDevice(int index) const noexcept;
    std::string GetDeviceName(int index) const;
    int GetDeviceCount() const noexcept { return static_cast<int>(m_DeviceList.size()); }
    // The index of the first variable of that name, or -1.
    int FindDevice(std::string_view name) const { return findDevice(m_DeviceList, name); }
    // Injects the fault into the variable and publishes it at once, so clients see a new
    // quality without waiting for the tick. Not a change of the document: faults are not
    // saved. False for an index outside the list.
    bool SetFault(int index, const Fault& fault);

    // One tick: every variable steps, then every one is pushed to its tag, changed or not.
    void SimulateAll();
    // The tag's value as a variable holds it; nothing when it does not convert to a number.
    static std::optional<float> WrittenValue(DWORD hTag);
    // A client wrote the tag: every variable of that tag takes the written value.
    void OnTagWritten(DWORD hTag, float value);
    bool OnNewDocument();

    // Replaces the variables and their tags with those of a configuration file. Bytes of
    // another revision or damaged bytes are refused whole and change nothing.
    LoadResult load(std::string_view bytes);
    LoadResult loadFile(const std::filesystem::path& path);
    std::string store() const { return formatConfig(m_DeviceList); }
    // Replaces the file in one step: it holds the old or the new variables, never a part.
    bool saveFile(const std::filesystem::path& path);

    const std::filesystem::path& configPath() const noexcept { return m_ConfigPath; }
    // What was wrong with the configuration file at start-up; empty when nothing was.
    const std::string& startupProblem() const noexcept { return m_StartupProblem; }
    // What a person should know of a start-up that went well: a configuration file that does
    // not exist yet and is begun empty. Empty otherwise.
    const std::string& startupNote() const noexcept { return m_StartupNote; }
    bool IsModified() const noexcept { return m_Modified; }
    void SetModifiedFlag(bool modified = true) noexcept { m_Modified = modified; }
    const std::string& title() const noexcept { return m_Title; }

private:
    void loadStartupConfig();
    void removeAllDevices() noexcept;

    DeviceList m_DeviceList;
    std::filesystem::path m_ConfigPath;
    MessageSink m_ShowMessage;
    std::string m_StartupProblem;
    std::string m_StartupNote;
    // False when a configuration file could not be read, or was refused and could not be kept:
    // the final save then leaves it as it is.
    bool m_SaveConfig = true;
    bool m_Modified = false;
    std::string m_Title;
};

} // namespace moxlan
