#include "tools/moxlan-cfg/config_access.h"

#include "simulator/core/config_file.h"
#include "simulator/core/file_store.h"

namespace moxlan::cfg {

std::optional<DeviceList> readConfig(const std::filesystem::path& file, MissingFile missing,
                                     std::ostream& err)
{
    std::error_code ignored;
    if (missing == MissingFile::IsEmpty && !std::filesystem::exists(file, ignored))
        return DeviceList{};
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
    return std::move(contents.devices);
}

int writeConfig(const std::filesystem::path& file, const DeviceList& devices, std::ostream& err)
{
    if (replaceFile(file, formatConfig(devices))) return 0;
    err << "moxlan-cfg: cannot write " << file.string() << '\n';
    return 1;
}

} // namespace moxlan::cfg
