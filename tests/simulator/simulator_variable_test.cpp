// Simulated variables: the random sequence, the step rules of every simulation type and the
// frozen fault.
#include "simulator/core/device_tag.h"
#include "simulator/core/random.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using moxlan::CDeviceTag;
using moxlan::CRandomGenerator;

std::vector<float> stepValues(CDeviceTag& device, int ticks)
{
    std::vector<float> values;
    for (int i = 0; i < ticks; ++i) {
        device.Simulate();
        values.push_back(device.value());
    }
    return values;
}

CDeviceTag incremental(float value, float step, float low, float high)
{
    CDeviceTag device;
    device.m_SimType = moxlan::SIM_INCREMENTAL;
    device.setValue(value);
    device.m_Step = step;
    device.m_Low = low;
    device.m_High = high;
    return device;
}

TEST(RandomGenerator, FreshGeneratorGivesTheFixedSequence)
{
    CRandomGenerator generator;
    std::vector<int> first;
    for (int i = 0; i < 10; ++i) first.push_back(generator.next());
    EXPECT_EQ(first,
              (std::vector<int>{41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464}));
    // Far into the sequence the values stay inside 0 ... 32767.
    for (int i = 0; i < 100000; ++i) {
        const int value = generator.next();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, CRandomGenerator::kMax);
    }
}

TEST(DeviceTag, NewVariableHasTheDefaultsAndHoldsItsValue)
{
    CDeviceTag device;
    EXPECT_EQ(device.m_Value.vt, VT_R4);
    EXPECT_EQ(device.m_hTag, -1);
    EXPECT_EQ(device.m_SimType, moxlan::SIM_CONSTANT);
    EXPECT_EQ(device.m_Interval, 1);
    EXPECT_EQ(device.m_High, 100.0f);
    EXPECT_EQ(device.m_Step, 0.5f);
    device.m_TimeStamp = 0;
    EXPECT_EQ(stepValues(device, 3), (std::vector<float>{0.0f, 0.0f, 0.0f}));
    EXPECT_NE(device.m_TimeStamp, 0) << "every step refreshes the timestamp, constant included";
    EXPECT_EQ(device.m_Value.vt, VT_R4);
}

TEST(DeviceTag, IntervalCountsTicksBetweenSteps)
{
    CDeviceTag never = incremental(0.0f, 1.0f, 0.0f, 100.0f);
    never.m_Interval = 0;
    never.m_TimeStamp = 0;
    EXPECT_EQ(stepValues(never, 4), (std::vector<float>{0, 0, 0, 0}));
    EXPECT_EQ(never.m_TimeStamp, 0) << "interval 0 leaves even the timestamp alone";

    CDeviceTag everyThird = incremental(0.0f, 1.0f, 0.0f, 100.0f);
    everyThird.m_Interval = 3;
    EXPECT_EQ(stepValues(everyThird, 9), (std::vector<float>{0, 0, 1, 1, 1, 2, 2, 2, 3}));

    CDeviceTag negative = incremental(0.0f, 1.0f, 0.0f, 100.0f);
    negative.m_Interval = -5;
    EXPECT_EQ(stepValues(negative, 3), (std::vector<float>{1, 2, 3}));
}

TEST(DeviceTag, IncrementalWrapsAtTheRangeEnds)
{
    CDeviceTag up = incremental(0.0f, 0.5f, 0.0f, 1.0f);
    EXPECT_EQ(stepValues(up, 5), (std::vector<float>{0.5f, 1.0f, 0.0f, 0.5f, 1.0f}))
        << "reaching the high end exactly does not wrap";

    CDeviceTag down = incremental(1.0f, -0.5f, 0.0f, 1.0f);
    EXPECT_EQ(stepValues(down, 4), (std::vector<float>{0.5f, 0.0f, 1.0f, 0.5f}));

    // Low above high: once above high the value is set to low, which is above high again.
    CDeviceTag inverted = incremental(0.0f, 1.0f, 5.0f, 1.0f);
    EXPECT_EQ(stepValues(inverted, 4), (std::vector<float>{1.0f, 5.0f, 5.0f, 5.0f}));

    // Starting below low, a step that stays below it jumps to high.
    CDeviceTag below = incremental(-10.0f, 1.0f, 0.0f, 3.0f);
    EXPECT_EQ(stepValues(below, 2), (std::vector<float>{3.0f, 0.0f}));

    CDeviceTag still = incremental(0.25f, 0.0f, 0.0f, 1.0f);
    still.m_TimeStamp = 0;
    EXPECT_EQ(stepValues(still, 2), (std::vector<float>{0.25f, 0.25f}));
    EXPECT_NE(still.m_TimeStamp, 0);

    // Float steps accumulate in 32-bit floats: 0.1f added ten times is not 1.
    CDeviceTag tenths = incremental(0.0f, 0.1f, 0.0f, 2.0f);
    float expected = 0.0f;
    for (int i = 0; i < 10; ++i) expected += 0.1f;
    EXPECT_EQ(stepValues(tenths, 10).back(), expected);
    EXPECT_NE(expected, 1.0f);
}

TEST(DeviceTag, RandomDrawsFromTheProcessGeneratorInsideTheRange)
{
    CDeviceTag device;
    device.m_SimType = moxlan::SIM_RANDOM;
    device.m_Low = 10.0f;
    device.m_High = 20.0f;
    CRandomGenerator expected = moxlan::processRandom();
    for (int i = 0; i < 200; ++i) {
        device.Simulate();
        const float fraction = static_cast<float>(expected.next() / 32767.0);
        const float span = 10.0f;
        const float scaled = fraction * span;
        ASSERT_EQ(device.value(), scaled + 10.0f) << "tick " << i;
        ASSERT_GE(device.value(), 10.0f);
        ASSERT_LE(device.value(), 20.0f);
    }

    device.m_Low = 20.0f;
    device.m_High = 10.0f;
    for (int i = 0; i < 200; ++i) {
        device.Simulate();
        ASSERT_GE(device.value(), 10.0f);
        ASSERT_LE(device.value(), 20.0f);
    }

    device.m_Low = device.m_High = -3.5f;
    EXPECT_EQ(stepValues(device, 3), (std::vector<float>{-3.5f, -3.5f, -3.5f}));
}

TEST(DeviceTag, UnknownTypeHoldsItsValueLikeConstant)
{
    CDeviceTag device = incremental(7.0f, 1.0f, 0.0f, 100.0f);
    device.m_SimType = 9;
    device.m_TimeStamp = 0;
    EXPECT_EQ(stepValues(device, 2), (std::vector<float>{7.0f, 7.0f}));
    EXPECT_NE(device.m_TimeStamp, 0);
}

struct WaveCase
{
    const char* what;
    std::int32_t type;
    float low, high, period;
    std::int32_t interval;
    std::vector<float> samples;
};

TEST(DeviceTag, WavesAreSampledAtEachStepFromTheirPhaseOrigin)
{
    using namespace moxlan;
    const WaveCase cases[] = {
        {"sine, four samples a period", SIM_SINE, 0, 10, 4, 1, {10, 5, 0, 5, 10}},
        {"square: high for the first half", SIM_SQUARE, 0, 10, 4, 1, {10, 0, 0, 10, 10}},
        {"triangle", SIM_TRIANGLE, 0, 10, 4, 1, {5, 10, 5, 0, 5}},
        {"sawtooth jumps back as the period begins", SIM_SAWTOOTH, 0, 10, 4, 1, {2.5f, 5, 7.5f, 0}},
        {"period not a whole number of ticks", SIM_SAWTOOTH, 0, 10, 2.5f, 1, {4, 8, 2, 6, 0}},
        {"period not a multiple of the interval", SIM_TRIANGLE, 0, 10, 5, 2, {8, 4, 4, 8, 0}},
        {"square, period not a multiple of the interval",
         SIM_SQUARE,
         0,
         10,
         5,
         2,
         {10, 0, 10, 0, 10}},
        {"interval longer than half the period", SIM_SINE, 0, 10, 4, 3, {0, 5, 10, 5}},
        {"square aliased by a long interval", SIM_SQUARE, 0, 10, 4, 3, {0, 0, 10, 10}},
        {"period below two ticks runs as two", SIM_SAWTOOTH, 0, 10, 1, 1, {5, 0, 5}},
        {"period 0 runs as two", SIM_SQUARE, 0, 10, 0, 1, {0, 10, 0}},
        {"low above high mirrors the wave", SIM_TRIANGLE, 10, 0, 4, 1, {5, 0, 5, 10}},
        {"negative range", SIM_SINE, -20, -10, 4, 1, {-10, -15, -20, -15}},
    };
    for (const WaveCase& wave : cases) {
        CDeviceTag device;
        device.setValue(-99.0f);
        device.m_SimType = wave.type;
        device.m_Low = wave.low;
        device.m_High = wave.high;
        device.m_Step = wave.period;
        device.m_Interval = wave.interval;
        std::vector<float> samples;
        for (size_t i = 0; i < wave.samples.size() * static_cast<size_t>(wave.interval); ++i) {
            device.Simulate();
            if (device.m_TickCount == 0) samples.push_back(device.value());
        }
        ASSERT_EQ(samples.size(), wave.samples.size()) << wave.what;
        for (size_t i = 0; i < samples.size(); ++i)
            EXPECT_NEAR(samples[i], wave.samples[i], 1e-4) << wave.what << ", sample " << i;
    }
}

TEST(DeviceTag, FrozenValueHoldsWhileTheTimestampAndThePhaseMoveOn)
{
    CDeviceTag ramp = incremental(1.0f, 1.0f, 0.0f, 100.0f);
    ramp.m_Fault.frozen = true;
    ramp.m_TimeStamp = 0;
    EXPECT_EQ(stepValues(ramp, 3), (std::vector<float>{1, 1, 1}));
    EXPECT_NE(ramp.m_TimeStamp, 0);
    ramp.m_Fault.frozen = false;
    EXPECT_EQ(stepValues(ramp, 2), (std::vector<float>{2, 3})) << "resumes from the held value";

    CDeviceTag saw;
    saw.m_SimType = moxlan::SIM_SAWTOOTH;
    saw.m_Low = 0.0f;
    saw.m_High = 10.0f;
    saw.m_Step = 4.0f;
    saw.m_Fault.frozen = true;
    EXPECT_EQ(stepValues(saw, 2), (std::vector<float>{0, 0}));
    saw.m_Fault.frozen = false;
    EXPECT_EQ(stepValues(saw, 2), (std::vector<float>{7.5f, 0})) << "a wave resumes in phase";
}

} // namespace
