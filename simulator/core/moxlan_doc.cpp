#include "simulator/core/moxlan_doc.h"

#include "platform/variant.h"
#include "simulator/core/file_store.h"
#include "simulator/core/moxlan_app.h"
#include "vetrel/vetrel.h"

namespace moxlan {

namespace {

constexpr BOOL kWritable = 3;

void createTag(CDeviceTag& device)
{
    // The handle is kept whatever it is: a refused name keeps the runtime's failure handle.
    device.m_hTag = static_cast<std::int32_t>(
        CreateTag(device.m_Name, device.m_Value, kGoodQuality, kWritable));
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
        if (!m_ConfigPath.empty() && m_SaveConfig) replaceFile(m_ConfigPath, store());
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
    const LoadResult result = load(*bytes);
    if (result.loaded) return;

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

CMoxlanDoc::LoadResult CMoxlanDoc::load(std::string_view bytes)
{
    ConfigContents contents = parseConfig(bytes);
    if (contents.outcome != ConfigContents::Outcome::Loaded)
        return {false, std::move(contents.problem)};
    removeAllDevices();
    m_DeviceList = std::move(contents.devices);
    for (const auto& device : m_DeviceList) createTag(*device);
    SetModifiedFlag(false);
    return {true, {}};
}

CMoxlanDoc::LoadResult CMoxlanDoc::loadFile(const std::filesystem::path& path)
{
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes) return {false, "cannot be read"};
    return load(*bytes);
}

bool CMoxlanDoc::saveFile(const std::filesystem::path& path)
{
    if (!replaceFile(path, store())) return false;
    SetModifiedFlag(false);
    return true;
}

void CMoxlanDoc::removeAllDevices() noexcept
{
    for (const auto& device : m_DeviceList) RemoveTag(static_cast<DWORD>(device->m_hTag));
    m_DeviceList.clear();
}

} // namespace moxlan
