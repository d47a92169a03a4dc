#include "simulator/core/alarm_file.h"

#include "simulator/core/archive.h"
#include "simulator/core/file_store.h"

#include <map>
#include <vector>

namespace moxlan {

namespace {

constexpr std::string_view kAlarmRevision = "Moxlan alarms 1";
// A name length byte and four levels of 9 bytes each.
constexpr size_t kSmallestRecord = 1 + kAlarmLevels * 9;

struct AlarmRecord
{
    std::string name;
    LevelAlarms alarms;
};

LevelAlarms readAlarms(CArchiveReader& archive)
{
    LevelAlarms alarms;
    for (LevelLimit& level : alarms.levels) {
        const std::uint8_t enabled = archive.readByte();
        if (enabled > 1) throw ArchiveError("an enabled flag that is neither 0 nor 1");
        level.enabled = enabled == 1;
        level.limit = archive.readFloat();
        level.severity = archive.readUInt32();
        if (level.severity < kLeastSeverity || level.severity > kGreatestSeverity)
            throw ArchiveError("a severity outside 1 to 1000");
    }
    return alarms;
}

} // namespace

std::filesystem::path alarmFilePath(const std::filesystem::path& configPath)
{
    std::filesystem::path path = configPath;
    path += ".alarms";
    return path;
}

AlarmContents applyAlarmFile(std::string_view bytes, DeviceList& devices)
{
    CArchiveReader archive(bytes);
    std::vector<AlarmRecord> records;
    try {
        if (archive.readString() != kAlarmRevision) return {false, "not a Moxlan alarm file"};
        const std::int32_t count = archive.readInt32();
        const size_t announced = count > 0 ? static_cast<size_t>(count) : 0;
        if (count < 0 || announced > archive.remaining() / kSmallestRecord)
            return {false, "announces " + std::to_string(count) +
                               " alarmed variables but is too short to hold them"};
        for (size_t i = 0; i < announced; ++i) {
            AlarmRecord record;
            record.name = archive.readString();
            record.alarms = readAlarms(archive);
            records.push_back(std::move(record));
        }
    } catch (const ArchiveError& error) {
        return {false, error.what()};
    }
    if (archive.remaining() != 0)
        return {false, std::to_string(archive.remaining()) +
                           " bytes follow the alarmed variables its count declares"};

    // How many variables of each name have taken a record so far.
    std::map<std::string, size_t, std::less<>> taken;
    for (const AlarmRecord& record : records) {
        size_t skip = taken[record.name]++;
        for (const auto& device : devices) {
            if (device->m_Name != record.name || skip-- > 0) continue;
            device->m_Alarms = record.alarms;
            break;
        }
    }
    return {true, {}};
}

std::string formatAlarmFile(const DeviceList& devices)
{
    std::vector<const CDeviceTag*> alarmed;
    for (const auto& device : devices)
        if (device->m_Alarms.any()) alarmed.push_back(device.get());
    if (alarmed.empty()) return {};
    CArchiveWriter archive;
    archive.writeString(kAlarmRevision);
    archive.writeInt32(static_cast<std::int32_t>(alarmed.size()));
    for (const CDeviceTag* device : alarmed) {
        archive.writeString(device->m_Name);
        for (const LevelLimit& level : device->m_Alarms.levels) {
            archive.writeByte(level.enabled ? 1 : 0);
            archive.writeFloat(level.limit);
            archive.writeUInt32(level.severity);
        }
    }
    return archive.bytes();
}

std::optional<std::string> readAlarmFile(const std::filesystem::path& configPath, bool& readable)
{
    const std::filesystem::path path = alarmFilePath(configPath);
    std::optional<std::string> bytes = readWholeFile(path);
    std::error_code error;
    readable = bytes || (!std::filesystem::exists(path, error) && !error);
    return bytes;
}

bool replaceAlarmFile(const std::filesystem::path& configPath, const DeviceList& devices)
{
    const std::filesystem::path path = alarmFilePath(configPath);
    const std::string alarms = formatAlarmFile(devices);
    if (!alarms.empty()) return replaceFile(path, alarms);
    std::error_code error;
    std::filesystem::remove(path, error);
    return !error;
}

} // namespace moxlan
