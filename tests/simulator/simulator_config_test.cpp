// The configuration file: its exact bytes, the archive's string forms, bit-exact round trips,
// and refusal of damaged files.
#include "simulator/core/archive.h"
#include "simulator/core/config_file.h"
#include "simulator/core/file_store.h"
#include "simulator/temp_folder.h"

#include <bit>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using moxlan::ConfigContents;
using moxlan::DeviceList;

std::string bytes(std::initializer_list<int> values)
{
    std::string text;
    for (int value : values) text.push_back(static_cast<char>(value));
    return text;
}

std::unique_ptr<moxlan::CDeviceTag> variable(std::string name, float value, int type, int interval,
                                             float low, float high, float step)
{
    auto device = std::make_unique<moxlan::CDeviceTag>();
    device->m_Name = std::move(name);
    device->setValue(value);
    device->m_SimType = type;
    device->m_Interval = interval;
    device->m_Low = low;
    device->m_High = high;
    device->m_Step = step;
    return device;
}

std::uint32_t bitsOf(float value)
{
    return std::bit_cast<std::uint32_t>(value);
}

// The saved fields of two variables, floats compared by their bits.
void expectSameRecord(const moxlan::CDeviceTag& a, const moxlan::CDeviceTag& b)
{
    EXPECT_EQ(a.m_Name, b.m_Name);
    EXPECT_EQ(bitsOf(a.value()), bitsOf(b.value()));
    EXPECT_EQ(a.m_SimType, b.m_SimType);
    EXPECT_EQ(a.m_Interval, b.m_Interval);
    EXPECT_EQ(bitsOf(a.m_Low), bitsOf(b.m_Low));
    EXPECT_EQ(bitsOf(a.m_High), bitsOf(b.m_High));
    EXPECT_EQ(bitsOf(a.m_Step), bitsOf(b.m_Step));
}

const std::string kRampFile =
    bytes({0x08, 'R',  'e',  'v',  '.',  ' ',  '1',  '.',  '1',  0x01, 0x00, 0x00, 0x00, 0x04,
           'R',  'a',  'm',  'p',  0x00, 0x00, 0x00, 0x3F, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00,
           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC8, 0x42, 0x00, 0x00, 0x00, 0x3F});

TEST(ConfigFile, OneIncrementalVariableIsFortyTwoBytes)
{
    DeviceList devices;
    devices.push_back(variable("Ramp", 0.5f, moxlan::SIM_INCREMENTAL, 1, 0.0f, 100.0f, 0.5f));
    const std::string written = moxlan::formatConfig(devices);
    ASSERT_EQ(written.size(), 42u);
    EXPECT_EQ(written, kRampFile);

    ConfigContents read = moxlan::parseConfig(kRampFile);
    ASSERT_EQ(read.outcome, ConfigContents::Outcome::Loaded);
    ASSERT_EQ(read.devices.size(), 1u);
    expectSameRecord(*read.devices[0], *devices[0]);
    // Unsaved fields keep what construction gives them.
    EXPECT_EQ(read.devices[0]->m_hTag, -1);
    EXPECT_EQ(read.devices[0]->m_TickCount, 0);
    EXPECT_EQ(read.devices[0]->m_Value.vt, VT_R4);

    EXPECT_EQ(moxlan::formatConfig({}),
              bytes({8, 'R', 'e', 'v', '.', ' ', '1', '.', '1', 0, 0, 0, 0}));
}

TEST(ConfigFile, RoundTripKeepsEveryBit)
{
    DeviceList devices;
    devices.push_back(variable("Quiet NaN", std::bit_cast<float>(0x7FC01234u), 0, 1,
                               std::bit_cast<float>(0xFFBADBADu), -0.0f, 1e-45f));
    devices.push_back(variable("Signalling NaN", std::bit_cast<float>(0x7F800001u), 1, -7,
                               -INFINITY, INFINITY, std::bit_cast<float>(0x80000001u)));
    devices.push_back(
        variable(std::string(300, 'x') + "!", -0.0f, 2, 0, 3.4028235e38f, 0.1f, -0.5f));
    devices.push_back(variable("", 1.0f, 77, 2147483647, 0, 0, 0));
    for (int i = 0; i < 250; ++i)
        devices.push_back(variable("Bulk." + std::to_string(i), 0.1f * float(i), i % 3, i,
                                   -float(i), float(i), 0.25f));

    const std::string written = moxlan::formatConfig(devices);
    ConfigContents read = moxlan::parseConfig(written);
    ASSERT_EQ(read.outcome, ConfigContents::Outcome::Loaded) << read.problem;
    ASSERT_EQ(read.devices.size(), devices.size());
    for (size_t i = 0; i < devices.size(); ++i) {
        SCOPED_TRACE(i);
        expectSameRecord(*read.devices[i], *devices[i]);
    }
    EXPECT_EQ(moxlan::formatConfig(read.devices), written);
}

TEST(ConfigFile, WaveTypesAreTheNextTypeNumbersInTheSameRecords)
{
    // A wave differs from the ramp only in its type field, so a reader of the three original
    // types reads the same record layout, keeps the variable and holds an unknown type constant.
    constexpr size_t kTypeOffset = 9 + 4 + 5 + 4;
    DeviceList waves;
    for (const std::int32_t type : std::initializer_list<std::int32_t>{
             moxlan::SIM_SINE, moxlan::SIM_SQUARE, moxlan::SIM_TRIANGLE, moxlan::SIM_SAWTOOTH, 7}) {
        SCOPED_TRACE(type);
        DeviceList one;
        one.push_back(variable("Ramp", 0.5f, type, 1, 0.0f, 100.0f, 0.5f));
        std::string expected = kRampFile;
        expected[kTypeOffset] = static_cast<char>(type);
        EXPECT_EQ(moxlan::formatConfig(one), expected);
        waves.push_back(std::move(one.front()));
    }
    const std::string written = moxlan::formatConfig(waves);
    ConfigContents read = moxlan::parseConfig(written);
    ASSERT_EQ(read.outcome, ConfigContents::Outcome::Loaded) << read.problem;
    ASSERT_EQ(read.devices.size(), waves.size());
    for (size_t i = 0; i < waves.size(); ++i) expectSameRecord(*read.devices[i], *waves[i]);
    EXPECT_EQ(moxlan::formatConfig(read.devices), written);
}

TEST(Archive, StringLengthTakesItsShortestForm)
{
    const auto lengthBytes = [](size_t length) {
        moxlan::CArchiveWriter writer;
        writer.writeString(std::string(length, 'a'));
        EXPECT_EQ(writer.bytes().size() - length, length < 255 ? 1u : length < 65534 ? 3u : 7u);
        return writer.bytes().substr(0, writer.bytes().size() - length);
    };
    EXPECT_EQ(lengthBytes(0), bytes({0}));
    EXPECT_EQ(lengthBytes(254), bytes({254}));
    EXPECT_EQ(lengthBytes(255), bytes({255, 255, 0}));
    EXPECT_EQ(lengthBytes(300), bytes({255, 0x2C, 0x01}));
    EXPECT_EQ(lengthBytes(65533), bytes({255, 0xFD, 0xFF}));
    // 65534 would read as the wide mark, so it already takes the 32-bit form.
    EXPECT_EQ(lengthBytes(65534), bytes({255, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0}));
    EXPECT_EQ(lengthBytes(70000), bytes({255, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0}));

    for (size_t length : {0u, 254u, 255u, 65533u, 65534u, 70000u}) {
        moxlan::CArchiveWriter writer;
        const std::string text(length, 'q');
        writer.writeString(text);
        writer.writeByte(0x5A);
        moxlan::CArchiveReader reader(writer.bytes());
        EXPECT_EQ(reader.readString(), text);
        EXPECT_EQ(reader.readByte(), 0x5A);
        EXPECT_EQ(reader.remaining(), 0u);
    }
}

TEST(Archive, ReadsWideStringsAsEightBitText)
{
    const auto readString = [](const std::string& file) {
        return moxlan::CArchiveReader(file).readString();
    };
    // 0xFFFE after the byte 255 marks wide text; its length follows in the usual forms.
    const std::string shortWide = bytes({255, 0xFE, 0xFF, 3, 'O', 0, 'K', 0, 0xE9, 0, 0x33});
    moxlan::CArchiveReader reader(shortWide);
    EXPECT_EQ(reader.readString(), "OK\xE9");
    EXPECT_EQ(reader.readByte(), 0x33);

    std::string longWide = bytes({255, 0xFE, 0xFF, 255, 0x2C, 0x01});
    for (int i = 0; i < 300; ++i) longWide += bytes({'w', 0});
    EXPECT_EQ(readString(longWide), std::string(300, 'w'));

    // A character outside the code page becomes its default character, not a failure.
    EXPECT_EQ(readString(bytes({255, 0xFE, 0xFF, 1, 0x16, 0x04})), "?");

    for (const std::string& broken :
         {bytes({255, 0xFE, 0xFF, 2, 'a', 0, 'b'}), bytes({255, 0xFE, 0xFF, 255, 0xFE, 0xFF, 0}),
          bytes({255, 0xFE, 0xFF})})
        EXPECT_THROW(readString(broken), moxlan::ArchiveError);
}

TEST(ConfigFile, DamagedFilesAreRefusedWhole)
{
    const auto refused = [](const std::string& file) {
        ConfigContents read = moxlan::parseConfig(file);
        EXPECT_EQ(read.outcome, ConfigContents::Outcome::Damaged);
        EXPECT_TRUE(read.devices.empty());
        EXPECT_FALSE(read.problem.empty());
        return read.problem;
    };
    // Cut anywhere: in the revision, the count, or any field of a record.
    for (size_t length = 0; length < kRampFile.size(); ++length) {
        SCOPED_TRACE(length);
        refused(kRampFile.substr(0, length));
    }
    EXPECT_EQ(refused(kRampFile.substr(0, 40)), "variable 1 of 1: unexpected end of file");

    // A count larger or smaller than the records that follow, or bytes after the last record:
    // loading the declared part alone would lose the rest at the next save.
    std::string twoAnnounced = kRampFile;
    twoAnnounced[9] = 2;
    refused(twoAnnounced);
    std::string noneAnnounced = kRampFile;
    noneAnnounced[9] = 0;
    EXPECT_EQ(refused(noneAnnounced), "29 bytes follow the variables its count declares (0)");
    std::string negative = kRampFile;
    negative.replace(9, 4, bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    refused(negative);
    EXPECT_EQ(refused(kRampFile + "x"), "1 bytes follow the variables its count declares (1)");
    std::string hugeCount = kRampFile;
    hugeCount.replace(9, 4, bytes({0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(refused(hugeCount), "announces 2147483647 variables but is too short to hold them");

    // A name length that runs past the end, in each length form.
    for (const std::string& name : {bytes({200, 'a'}), bytes({255, 0x00, 0x10, 'a'}),
                                    bytes({255, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'})}) {
        std::string file = kRampFile.substr(0, 13) + name + std::string(24, '\0');
        refused(file);
    }
}

TEST(ConfigFile, OtherRevisionsAndOddCountsAreNotDamage)
{
    for (const std::string& other :
         {bytes({8, 'R', 'e', 'v', '.', ' ', '1', '.', '0', 0, 0, 0, 0}),
          bytes({8, 'r', 'e', 'v', '.', ' ', '1', '.', '1'}), bytes({0})}) {
        ConfigContents read = moxlan::parseConfig(other);
        EXPECT_EQ(read.outcome, ConfigContents::Outcome::OtherRevision);
        EXPECT_TRUE(read.devices.empty());
    }

    // A negative count with nothing after it holds no records.
    ConfigContents none =
        moxlan::parseConfig(kRampFile.substr(0, 9) + bytes({0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(none.outcome, ConfigContents::Outcome::Loaded);
    EXPECT_TRUE(none.devices.empty());
}

TEST(FileStore, ReplacingLeavesOnlyTheNewFile)
{
    moxlan::test::TempFolder folder;
    const std::filesystem::path target = folder / "Moxlan.cfg";

    EXPECT_FALSE(moxlan::readWholeFile(target));
    ASSERT_TRUE(moxlan::replaceFile(target, kRampFile));
    EXPECT_EQ(moxlan::readWholeFile(target), kRampFile);
    const std::string binary = bytes({0, 0x0D, 0x0A, 0x1A, 0xFF, 0x0A});
    ASSERT_TRUE(moxlan::replaceFile(target, binary));
    EXPECT_EQ(moxlan::readWholeFile(target), binary) << "bytes travel unchanged, line ends too";
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"Moxlan.cfg"})
        << "no temporary file stays behind";

    // A folder that does not exist: nothing is written.
    EXPECT_FALSE(moxlan::replaceFile(folder / "missing" / "Moxlan.cfg", kRampFile));
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"Moxlan.cfg"});
}

} // namespace
