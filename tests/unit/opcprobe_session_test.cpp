// opcprobe's requests against a running Vetrel server in the same process: what it reads,
// writes and reports, and that it leaves no connection behind.
#include "hresult_names.h"
#include "session.h"
#include "value_text.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>

namespace {

using namespace opcprobe;

constexpr CLSID kProbedClass = {
    0x0B7E3C55, 0x91A2, 0x4D6B, {0x8E, 0x10, 0x5A, 0x2C, 0x77, 0x01, 0xD4, 0x3F}};

class OpcProbeSession : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(InitVetrel(kProbedClass, 50));
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = 1.5f;
        s_level = CreateTagA("Probe.Level", value, OPC_QUALITY_GOOD, TRUE);
        value.vt = VT_R8;
        value.dblVal = 0.0;
        s_setpoint = CreateTagA("Probe.Setpoint", value, OPC_QUALITY_GOOD, TRUE);
        s_readOnly = CreateTagA("Probe.ReadOnly", value, OPC_QUALITY_GOOD, FALSE);
        value.vt = VT_I4;
        value.lVal = 3;
        s_offline = CreateTagA("Probe.Offline", value, OPC_QUALITY_NOT_CONNECTED, TRUE);
        value.vt = VT_ARRAY | VT_R8;
        value.parray = SafeArrayCreateVector(VT_R8, 0, 2);
        s_samples = CreateTagA("Probe.Samples", value, OPC_QUALITY_GOOD, TRUE);
        VariantClear(&value);
    }

    void TearDown() override { EXPECT_EQ(NumbrClientConnections(), 0) << "a connection leaked"; }

    static double tagNumber(DWORD tag)
    {
        VARIANT value;
        VariantInit(&value);
        EXPECT_TRUE(ReadTag(tag, &value));
        VariantChangeType(&value, &value, 0, VT_R8);
        const double number = value.dblVal;
        VariantClear(&value);
        return number;
    }

    static inline DWORD s_level, s_setpoint, s_readOnly, s_offline, s_samples;
};

TEST_F(OpcProbeSession, ReadsValuesWithTheirTypesQualitiesAndErrors)
{
    Session session(kProbedClass);
    const std::vector<ItemValue> values =
        session.read({"Probe.Level", "Probe.Offline", "No.Such.Tag"}, OPC_DS_DEVICE);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].item, "Probe.Level");
    EXPECT_EQ(values[0].error, S_OK);
    EXPECT_EQ(valueText(values[0].value.get()), "1.5");
    EXPECT_EQ(values[0].value.type(), VT_R4);
    EXPECT_EQ(values[0].quality, OPC_QUALITY_GOOD);
    EXPECT_FALSE(timeText(values[0].timestamp).empty());
    EXPECT_EQ(qualityText(values[1].quality), "bad: not connected");
    EXPECT_EQ(resultName(values[2].error), "OPC_E_UNKNOWNITEMID");
}

TEST_F(OpcProbeSession, WritesTextInEachItemsOwnType)
{
    Session session(kProbedClass);
    const std::vector<WriteResult> results = session.write({{"Probe.Setpoint", "2.5"},
                                                            {"Probe.Samples", "[4, 5.5]"},
                                                            {"Probe.Level", "high"},
                                                            {"Probe.ReadOnly", "1"},
                                                            {"No.Such.Tag", "1"}});
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(results[0].error, S_OK);
    EXPECT_EQ(tagNumber(s_setpoint), 2.5);
    EXPECT_EQ(results[1].error, S_OK);
    EXPECT_EQ(results[2].error, DISP_E_TYPEMISMATCH) << "refused before it was sent";
    EXPECT_EQ(tagNumber(s_level), 1.5);
    EXPECT_EQ(resultName(results[3].error), "OPC_E_BADTYPE");
    EXPECT_EQ(resultName(results[4].error), "OPC_E_UNKNOWNITEMID");

    const std::vector<ItemValue> samples = session.read({"Probe.Samples"}, OPC_DS_CACHE);
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(valueText(samples[0].value.get()), "[4, 5.5]");
}

TEST_F(OpcProbeSession, ReportsTheRunningServersStatus)
{
    ASSERT_TRUE(SetVendorInfoA("Probe Test Vendor"));
    Session session(kProbedClass);
    const ServerStatus status = session.status();
    EXPECT_EQ(status.state, OPC_STATUS_RUNNING);
    EXPECT_EQ(status.vendor, "Probe Test Vendor");
    EXPECT_FALSE(timeText(status.startTime).empty());
    EXPECT_EQ(status.groupCount, 0u) << "the probe's groups are gone after each request";
}

TEST_F(OpcProbeSession, NamesWhyAServerCannotBeReached)
{
    constexpr CLSID kNobody = {
        0x0B7E3C56, 0x91A2, 0x4D6B, {0x8E, 0x10, 0x5A, 0x2C, 0x77, 0x01, 0xD4, 0x3F}};
    try {
        Session session(kNobody);
        FAIL() << "connected to a class nobody registered";
    } catch (const ProbeFailure& failure) {
        EXPECT_TRUE(FAILED(failure.result()));
        EXPECT_NE(std::string(failure.what()).find(describeResult(failure.result())),
                  std::string::npos)
            << failure.what();
    }
}

} // namespace
