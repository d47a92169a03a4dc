#include "simulator/core/config_file.h"

#include "simulator/core/archive.h"

namespace moxlan {

namespace {

// A record holds at least a one-byte name length and six 4-byte fields.
constexpr size_t kSmallestRecord = 1 + 6 * 4;

} // namespace

ConfigContents parseConfig(std::string_view bytes)
{
    ConfigContents contents;
    CArchiveReader archive(bytes);
    const auto damaged = [&contents](std::string problem) {
        contents.devices.clear();
        contents.problem = std::move(problem);
        return std::move(contents);
    };

    std::string revision;
    try {
        revision = archive.readString();
    } catch (const ArchiveError&) {
        return damaged("ends inside its revision string");
    }
    if (revision != kConfigRevision) {
        contents.outcome = ConfigContents::Outcome::OtherRevision;
        contents.problem = "not a \"Rev. 1.1\" configuration file";
        return contents;
    }

    std::int32_t count = 0;
    try {
        count = archive.readInt32();
    } catch (const ArchiveError&) {
        return damaged("ends before its variable count");
    }
    // A negative count holds no records, as a count loop over it runs no times.
    const size_t announced = count > 0 ? static_cast<size_t>(count) : 0;
    if (announced > archive.remaining() / kSmallestRecord)
        return damaged("announces " + std::to_string(announced) +
                       " variables but is too short to hold them");

    contents.devices.reserve(announced);
    for (size_t i = 0; i < announced; ++i) {
        auto device = std::make_unique<CDeviceTag>();
        try {
            device->Serialize(archive);
        } catch (const ArchiveError& error) {
            return damaged("variable " + std::to_string(i + 1) + " of " +
                           std::to_string(announced) + ": " + error.what());
        }
        contents.devices.push_back(std::move(device));
    }
    // A count edited by hand, or bytes appended: what the file holds is not what it declares,
    // and loading only the declared part would lose the rest at the next save.
    if (archive.remaining() != 0)
        return damaged(std::to_string(archive.remaining()) +
                       " bytes follow the variables its count declares (" +
                       std::to_string(announced) + ")");
    contents.outcome = ConfigContents::Outcome::Loaded;
    return contents;
}

std::string formatConfig(const DeviceList& devices)
{
    CArchiveWriter archive;
    archive.writeString(kConfigRevision);
    archive.writeInt32(static_cast<std::int32_t>(devices.size()));
    for (const auto& device : devices) device->Serialize(archive);
    return archive.bytes();
}

} // namespace moxlan
