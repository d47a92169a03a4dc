#include "tools/moxlan-cfg/commands.h"

#include "tools/moxlan-cfg/config_access.h"
#include "tools/moxlan-cfg/variable_checks.h"

namespace moxlan::cfg {

namespace {

// The fields the simulator's New Variable dialog starts from.
std::unique_ptr<CDeviceTag> newVariable(const std::string& name)
{
    auto device = std::make_unique<CDeviceTag>();
    device->m_Name = name;
    device->m_SimType = SIM_CONSTANT;
    device->m_Interval = 1;
    device->setValue(0.0f);
    device->m_Low = 0.0f;
    device->m_High = 0.0f;
    device->m_Step = 0.0f;
    return device;
}

// Whether the list takes a new variable of that name, with a message when not.
bool checkRoomFor(const DeviceList& devices, const std::string& name,
                  const std::filesystem::path& file, std::ostream& err)
{
    switch (checkAdd(devices, name)) {
    case AddRefusal::DuplicateName:
        err << "moxlan-cfg: a variable named " << name << " exists already in " << file.string()
            << '\n';
        return false;
    case AddRefusal::ListFull:
        err << "moxlan-cfg: " << file.string() << " has " << devices.size()
            << " variables; variables are added only while there are fewer than " << kMaxDevices
            << '\n';
        return false;
    case AddRefusal::None:
        break;
    }
    return true;
}

// The variable's index, or -1 with a message.
int existingVariable(const DeviceList& devices, const std::string& name,
                     const std::filesystem::path& file, std::ostream& err)
{
    const int index = findDevice(devices, name);
    if (index < 0)
        err << "moxlan-cfg: " << file.string() << " has no variable named " << name << '\n';
    return index;
}

} // namespace

int addVariable(const std::filesystem::path& file, const std::string& name,
                const VariableEdits& edits, std::ostream& err)
{
    if (!checkNewName(name, err)) return kExitRefused;
    std::optional<DeviceList> devices = readConfig(file, MissingFile::IsEmpty, err);
    if (!devices) return kExitFileProblem;
    if (!checkRoomFor(*devices, name, file, err)) return kExitRefused;
    auto device = newVariable(name);
    edits.applyTo(*device);
    if (!checkRange(*device, edits, err) || !checkPeriod(*device, edits, err)) return kExitRefused;
    devices->push_back(std::move(device));
    return writeConfig(file, *devices, err);
}

int setVariable(const std::filesystem::path& file, const std::string& name,
                const VariableEdits& edits, std::ostream& err)
{
    std::optional<DeviceList> devices = readConfig(file, MissingFile::IsAnError, err);
    if (!devices) return kExitFileProblem;
    const int index = existingVariable(*devices, name, file, err);
    if (index < 0) return kExitRefused;
    CDeviceTag& device = *(*devices)[static_cast<size_t>(index)];
    edits.applyTo(device);
    if (!checkRange(device, edits, err) || !checkPeriod(device, edits, err)) return kExitRefused;
    return writeConfig(file, *devices, err);
}

int removeVariable(const std::filesystem::path& file, const std::string& name, std::ostream& err)
{
    std::optional<DeviceList> devices = readConfig(file, MissingFile::IsAnError, err);
    if (!devices) return kExitFileProblem;
    const int index = existingVariable(*devices, name, file, err);
    if (index < 0) return kExitRefused;
    devices->erase(devices->begin() + index);
    return writeConfig(file, *devices, err);
}

} // namespace moxlan::cfg
