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
        // Why the alarm file was refused: the variables then load without alarms.
        std::string alarmProblem;
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

    // The variable's fields changed: its tag takes its alarms, and the document is modified.
    void DeviceChanged(int index);

    // Replaces the variables and their tags with those of a configuration file and, when
    // given, its alarm file. Bytes of another revision or damaged bytes are refused whole and
    // change nothing; a damaged alarm file leaves the variables without alarms.
    LoadResult load(std::string_view bytes, std::optional<std::string_view> alarmBytes = {});
    // Loads the file with the alarm file beside it; a damaged alarm file is kept as ".bad".
    LoadResult loadFile(const std::filesystem::path& path);
    std::string store() const { return formatConfig(m_DeviceList); }
    // Replaces the file, and the alarm file beside it, each in one step: each holds its old or
    // its new content, never a part. Without alarms no alarm file is kept.
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
    // Keeps a refused alarm file as ".bad"; a problem text for a person, or the reason it could
    // not be kept (then the file stays as it is at the final save).
    std::string keepRefusedAlarms(const std::filesystem::path& configPath, const std::string& bytes,
                                  const std::string& problem);
    bool writeFiles(const std::filesystem::path& path, bool withAlarms);
    void removeAllDevices() noexcept;

    DeviceList m_DeviceList;
    std::filesystem::path m_ConfigPath;
    MessageSink m_ShowMessage;
    std::string m_StartupProblem;
    std::string m_StartupNote;
    // False when a configuration file could not be read, or was refused and could not be kept:
    // the final save then leaves it as it is.
    bool m_SaveConfig = true;
    // False when the alarm file beside the configuration file could not be read, or was refused
    // and could not be kept, or belongs to a refused configuration: the final save leaves it.
    bool m_SaveAlarms = true;
    bool m_Modified = false;
    std::string m_Title;
};

} // namespace moxlan
