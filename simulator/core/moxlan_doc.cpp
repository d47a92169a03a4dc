#include "simulator/core/moxlan_doc.h"

#include "platform/variant.h"
#include "simulator/core/alarm_file.h"
#include "simulator/core/file_store.h"
#include "simulator/core/moxlan_app.h"
#include "vetrel/vetrel.h"

namespace moxlan {

namespace {

constexpr BOOL kWritable = 3;

// Every level is set, enabled or not, so that one the user turned off stops holding.
void publishAlarms(const CDeviceTag& device)
{
    for (int level = 0; level < kAlarmLevels; ++level) {
        const LevelLimit& limit = device.m_Alarms.levels[static_cast<size_t>(level)];
        SetItemLevelAlarm(static_cast<DWORD>(device.m_hTag), level + 1, limit.limit, limit.severity,
                          limit.enabled);
    }
}

void createTag(CDeviceTag& device)
{
    // The handle is kept whatever it is: a refused name keeps the runtime's failure handle.
    device.m_hTag = static_cast<std::int32_t>(
        CreateTag(device.m_Name, device.m_Value, kGoodQuality, kWritable));
    publishAlarms(device);
}

void publish(const CDeviceTag& device)
{
    UpdateTag(static_cast<DWORD>(device.m_hTag), device.m_Value,
              qualityWord(device.m_Fault.quality));
}

} // namespace

CMoxlanDoc::CMoxlanDoc(std::filesystem::path configPath, MessageSink showMessage)
    : m_ConfigPath(std::move(configPath)), m_ShowMessage(std::move(showMessage))
{
    if (!m_ConfigPath.empty()) loadStartupConfig();
}

CMoxlanDoc::~CMoxlanDoc()
{
    // A save that fails, even for want of memory, still leaves no tag behind.
    try {
        if (!m_ConfigPath.empty() && m_SaveConfig) writeFiles(m_ConfigPath, m_SaveAlarms);
    } catch (const std::exception&) {}
    removeAllDevices();
}

void CMoxlanDoc::loadStartupConfig()
{
    const std::optional<std::string> bytes = readWholeFile(m_ConfigPath);
    if (!bytes) {
        std::error_code error;
        if (!std::filesystem::exists(m_ConfigPath, error) && !error) {
            m_StartupNote = m_ConfigPath.string() +
                            " does not exist yet: a new, empty configuration, saved there at exit";
            return;
        }
        m_SaveConfig = false;
        m_StartupProblem = m_ConfigPath.string() +
                           ": cannot be read; starting without its variables, and it will not be "
                           "overwritten on exit";
        return;
    }
    bool alarmsReadable = true;
    const std::optional<std::string> alarmBytes = readAlarmFile(m_ConfigPath, alarmsReadable);
    const LoadResult result = load(*bytes, alarmBytes);
    if (result.loaded) {
        if (!alarmsReadable) {
            m_SaveAlarms = false;
            m_StartupProblem = alarmFilePath(m_ConfigPath).string() +
                               ": cannot be read; starting without alarms, and it will not be "
                               "overwritten on exit";
        } else if (!result.alarmProblem.empty()) {
            m_StartupProblem = keepRefusedAlarms(m_ConfigPath, *alarmBytes, result.alarmProblem);
        }
        return;
    }

    // The alarms belong to the variables kept aside, not to the empty start.
    m_SaveAlarms = false;
    std::filesystem::path kept = m_ConfigPath;
    kept += ".bad";
    m_StartupProblem = m_ConfigPath.string() + ": " + result.problem;
    if (replaceFile(kept, *bytes)) {
        m_StartupProblem += "; kept as " + kept.string() + ", starting without its variables";
    } else {
        m_SaveConfig = false;
        m_StartupProblem += "; it could not be kept as " + kept.string() +
                            ", so it will not be overwritten on exit";
    }
}

std::string CMoxlanDoc::keepRefusedAlarms(const std::filesystem::path& configPath,
                                          const std::string& bytes, const std::string& problem)
{
    const std::filesystem::path path = alarmFilePath(configPath);
    std::filesystem::path kept = path;
    kept += ".bad";
    std::string text = path.string() + ": " + problem;
    if (replaceFile(kept, bytes)) return text + "; kept as " + kept.string() + ", no alarms set";
    if (configPath == m_ConfigPath) m_SaveAlarms = false;
    return text + "; it could not be kept as " + kept.string() +
           ", so it will not be overwritten on exit";
}

bool CMoxlanDoc::AddDevice(std::unique_ptr<CDeviceTag> device)
{
    switch (checkAdd(m_DeviceList, device->m_Name)) {
    case AddRefusal::ListFull:
        return false;
    case AddRefusal::DuplicateName:
        if (m_ShowMessage) m_ShowMessage(kDuplicateNameMessage);
        return false;
    case AddRefusal::None:
        break;
    }
    CDeviceTag& added = *m_DeviceList.emplace_back(std::move(device));
    createTag(added);
    SetModifiedFlag();
    return true;
}

bool CMoxlanDoc::RemoveDevice(int index)
{
    CDeviceTag* device = GetDevice(index);
    if (!device) return false;
    RemoveTag(static_cast<DWORD>(device->m_hTag));
    m_DeviceList.erase(m_DeviceList.begin() + index);
    SetModifiedFlag();
    return true;
}

CDeviceTag* CMoxlanDoc::GetDevice(int index) const noexcept
{
    if (index < 0 || index >= GetDeviceCount()) return nullptr;
    return m_DeviceList[static_cast<size_t>(index)].get();
}

std::string CMoxlanDoc::GetDeviceName(int index) const
{
    const CDeviceTag* device = GetDevice(index);
    return device ? device->m_Name : std::string();
}

void CMoxlanDoc::SimulateAll()
{
    for (const auto& device : m_DeviceList) {
        device->Simulate();
        publish(*device);
    }
}

bool CMoxlanDoc::SetFault(int index, const Fault& fault)
{
    CDeviceTag* device = GetDevice(index);
    if (!device) return false;
    device->m_Fault = fault;
    publish(*device);
    return true;
}

void CMoxlanDoc::DeviceChanged(int index)
{
    const CDeviceTag* device = GetDevice(index);
    if (!device) return;
    publishAlarms(*device);
    SetModifiedFlag();
}

std::optional<float> CMoxlanDoc::WrittenValue(DWORD hTag)
{
    vetrel::Variant written;
    if (!ReadTag(hTag, written.out())) return std::nullopt;
    // The runtime keeps the tag's own type, VT_R4; any other value is converted.
    vetrel::Variant asFloat;
    if (FAILED(vetrel::changeType(asFloat, written.get(), VT_R4))) return std::nullopt;
    return asFloat.get().fltVal;
}

void CMoxlanDoc::OnTagWritten(DWORD hTag, float value)
{
    for (const auto& device : m_DeviceList) {
        if (static_cast<DWORD>(device->m_hTag) == hTag) device->setValue(value);
    }
}

bool CMoxlanDoc::OnNewDocument()
{
    m_Title = kMoxlanProgId;
    SetModifiedFlag(false);
    return true;
}

CMoxlanDoc::LoadResult CMoxlanDoc::load(std::string_view bytes,
                                        std::optional<std::string_view> alarmBytes)
{
    ConfigContents contents = parseConfig(bytes);
    if (contents.outcome != ConfigContents::Outcome::Loaded)
        return {false, std::move(contents.problem), {}};
    LoadResult result{true, {}, {}};
    if (alarmBytes) result.alarmProblem = applyAlarmFile(*alarmBytes, contents.devices).problem;
    removeAllDevices();
    m_DeviceList = std::move(contents.devices);
    for (const auto& device : m_DeviceList) createTag(*device);
    SetModifiedFlag(false);
    return result;
}

CMoxlanDoc::LoadResult CMoxlanDoc::loadFile(const std::filesystem::path& path)
{
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes) return {false, "cannot be read", {}};
    bool alarmsReadable = true;
    const std::optional<std::string> alarmBytes = readAlarmFile(path, alarmsReadable);
    LoadResult result = load(*bytes, alarmBytes);
    if (result.loaded && !result.alarmProblem.empty())
        result.alarmProblem = keepRefusedAlarms(path, *alarmBytes, result.alarmProblem);
    else if (result.loaded && !alarmsReadable)
        result.alarmProblem = alarmFilePath(path).string() + ": cannot be read";
    return result;
}

bool CMoxlanDoc::saveFile(const std::filesystem::path& path)
{
    if (!writeFiles(path, path != m_ConfigPath || m_SaveAlarms)) return false;
    SetModifiedFlag(false);
    return true;
}

bool CMoxlanDoc::writeFiles(const std::filesystem::path& path, bool withAlarms)
{
    if (withAlarms && !replaceAlarmFile(path, m_DeviceList)) return false;
    return replaceFile(path, store());
}

void CMoxlanDoc::removeAllDevices() noexcept
{
    for (const auto& device : m_DeviceList) RemoveTag(static_cast<DWORD>(device->m_hTag));
    m_DeviceList.clear();
}

} // namespace moxlan
