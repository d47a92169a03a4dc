#include "tools/moxlan-cfg/config_access.h"

#include "simulator/core/alarm_file.h"
#include "simulator/core/config_file.h"
#include "simulator/core/file_store.h"
#include "tools/moxlan-cfg/exit_codes.h"

namespace moxlan::cfg {

std::optional<DeviceList> readConfig(const std::filesystem::path& file, MissingFile missing,
                                     std::ostream& err)
{
    // Only a file known not to exist counts as missing: one that cannot be looked at is
    // reported as unreadable, never replaced by a new configuration.
    std::error_code ignored;
    if (std::filesystem::status(file, ignored).type() == std::filesystem::file_type::not_found) {
        if (missing == MissingFile::IsEmpty) return DeviceList{};
        err << "moxlan-cfg: " << file.string() << " does not exist\n";
        return std::nullopt;
    }
    const std::optional<std::string> bytes = readWholeFile(file);
    if (!bytes) {
        err << "moxlan-cfg: cannot read " << file.string() << '\n';
        return std::nullopt;
    }
    ConfigContents contents = parseConfig(*bytes);
    if (contents.outcome != ConfigContents::Outcome::Loaded) {
        err << "moxlan-cfg: " << file.string() << ": " << contents.problem << '\n';
        return std::nullopt;
    }
    // The alarms are read whole as well, or the next write would lose them.
    bool readable = true;
    const std::optional<std::string> alarms = readAlarmFile(file, readable);
    const AlarmContents applied = alarms ? applyAlarmFile(*alarms, contents.devices)
                                         : AlarmContents{readable, "cannot be read"};
    if (!applied.loaded) {
        err << "moxlan-cfg: " << alarmFilePath(file).string() << ": " << applied.problem << '\n';
        return std::nullopt;
    }
    return std::move(contents.devices);
}

int writeConfig(const std::filesystem::path& file, const DeviceList& devices, std::ostream& err)
{
    if (!replaceAlarmFile(file, devices)) {
        err << "moxlan-cfg: cannot write " << alarmFilePath(file).string() << '\n';
        return kExitFileProblem;
    }
    if (replaceFile(file, formatConfig(devices))) return kExitDone;
    err << "moxlan-cfg: cannot write " << file.string() << '\n';
    return kExitFileProblem;
}

} // namespace moxlan::cfg
