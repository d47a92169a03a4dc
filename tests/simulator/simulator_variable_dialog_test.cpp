// The variable dialog's data: what a new and an existing variable show, the fields each
// simulation type uses, and which texts the dialog takes as numbers.
#include "simulator/core/variable_form.h"

#include <gtest/gtest.h>

namespace {

using moxlan::VariableForm;

TEST(VariableDialog, NewVariableStartsConstantEverySecondWithAnEditableName)
{
    const VariableForm form = moxlan::newVariableForm();
    EXPECT_EQ(form.name, "New Value");
    EXPECT_EQ(form.type, moxlan::SIM_CONSTANT);
    EXPECT_EQ(form.interval, 1);
    EXPECT_EQ(form.value, 0.0f);
    EXPECT_EQ(form.low, 0.0f);
    EXPECT_EQ(form.high, 0.0f);
    EXPECT_EQ(form.step, 0.0f);
    EXPECT_TRUE(form.nameEnabled);

    // OK on it gives a variable with exactly these fields, not the variable defaults.
    moxlan::CDeviceTag device;
    moxlan::copyForm(form, device);
    EXPECT_EQ(device.m_Name, "New Value");
    EXPECT_EQ(device.m_High, 0.0f);
    EXPECT_EQ(device.m_Step, 0.0f);
    EXPECT_EQ(device.m_Interval, 1);
}

TEST(VariableDialog, ModifyShowsTheVariableAndCopiesEveryFieldBack)
{
    moxlan::CDeviceTag device;
    device.m_Name = "Plant.Ramp";
    device.setValue(12.5f);
    device.m_SimType = moxlan::SIM_INCREMENTAL;
    device.m_Interval = 3;
    device.m_Low = -1.0f;
    device.m_High = 40.0f;
    device.m_Step = 0.25f;
    device.m_TickCount = 2;

    VariableForm form = moxlan::formOf(device);
    EXPECT_FALSE(form.nameEnabled);
    EXPECT_EQ(form.name, "Plant.Ramp");
    EXPECT_EQ(form.value, 12.5f);
    EXPECT_EQ(form.type, moxlan::SIM_INCREMENTAL);
    EXPECT_EQ(form.interval, 3);
    EXPECT_EQ(form.low, -1.0f);
    EXPECT_EQ(form.high, 40.0f);
    EXPECT_EQ(form.step, 0.25f);

    form.value = 7.0f;
    form.type = moxlan::SIM_RANDOM;
    form.interval = 0;
    form.low = 5.0f;
    form.high = 1.0f; // inverted ranges pass
    form.step = -2.0f;
    moxlan::copyForm(form, device);
    EXPECT_EQ(device.value(), 7.0f);
    EXPECT_EQ(device.m_Value.vt, VT_R4);
    EXPECT_EQ(device.m_SimType, moxlan::SIM_RANDOM);
    EXPECT_EQ(device.m_Interval, 0);
    EXPECT_EQ(device.m_Low, 5.0f);
    EXPECT_EQ(device.m_High, 1.0f);
    EXPECT_EQ(device.m_Step, -2.0f);
    // The tick counter runs on.
    EXPECT_EQ(device.m_TickCount, 2);

    // The alarms go both ways too.
    device.m_Alarms.levels[moxlan::kHiHi] = {true, 95.0f, 900};
    form = moxlan::formOf(device);
    EXPECT_EQ(form.alarms, device.m_Alarms);
    form.alarms.levels[moxlan::kLo] = {true, 10.0f, 300};
    moxlan::copyForm(form, device);
    EXPECT_EQ(device.m_Alarms, form.alarms);
}

TEST(VariableDialog, SeveritiesAreWholeNumbersFromOneToAThousand)
{
    EXPECT_EQ(moxlan::parseSeverity("1"), 1u);
    EXPECT_EQ(moxlan::parseSeverity(" 1000 "), 1000u);
    for (const char* refused : {"0", "1001", "-5", "500.5", "", "high"})
        EXPECT_FALSE(moxlan::parseSeverity(refused)) << refused;
}

TEST(VariableDialog, EachTypeEnablesTheRangeFieldsItUses)
{
    const auto constant = moxlan::rangeEnabling(moxlan::SIM_CONSTANT);
    EXPECT_FALSE(constant.low || constant.high || constant.step);
    const auto random = moxlan::rangeEnabling(moxlan::SIM_RANDOM);
    EXPECT_TRUE(random.low && random.high);
    EXPECT_FALSE(random.step);
    const auto incremental = moxlan::rangeEnabling(moxlan::SIM_INCREMENTAL);
    EXPECT_TRUE(incremental.low && incremental.high && incremental.step);

    // A type the dialog does not know shows as incremental.
    EXPECT_EQ(moxlan::typeChoice(0), 0);
    EXPECT_EQ(moxlan::typeChoice(1), 1);
    EXPECT_EQ(moxlan::typeChoice(2), 2);
    EXPECT_EQ(moxlan::typeChoice(7), 2);
    EXPECT_EQ(moxlan::typeChoice(-1), 2);
    EXPECT_TRUE(moxlan::rangeEnabling(7).step);
    EXPECT_STREQ(moxlan::stepLabel(moxlan::SIM_INCREMENTAL), "Step Value:");

    // Each wave has its own button and uses both ends and the step, as its period.
    for (const std::int32_t wave : {3, 4, 5, 6}) {
        EXPECT_EQ(moxlan::typeChoice(wave), wave);
        const auto enabling = moxlan::rangeEnabling(wave);
        EXPECT_TRUE(enabling.low && enabling.high && enabling.step) << wave;
        EXPECT_STREQ(moxlan::stepLabel(wave), "Period (secs):");
    }
}

TEST(VariableDialog, AWavesPeriodIsAtLeastTwoSeconds)
{
    const struct
    {
        std::int32_t type;
        float step;
        bool accepted;
    } cases[] = {
        {moxlan::SIM_SINE, 2.0f, true},        {moxlan::SIM_SQUARE, 1.99f, false},
        {moxlan::SIM_TRIANGLE, 0.0f, false},   {moxlan::SIM_SAWTOOTH, -4.0f, false},
        {moxlan::SIM_SAWTOOTH, 3600.0f, true}, {moxlan::SIM_INCREMENTAL, 0.5f, true},
        {moxlan::SIM_CONSTANT, 0.0f, true},
    };
    for (const auto& c : cases) {
        moxlan::VariableForm form = moxlan::newVariableForm();
        form.type = c.type;
        form.step = c.step;
        const std::optional<std::string> problem = moxlan::formProblem(form);
        EXPECT_EQ(!problem, c.accepted) << c.type << " " << c.step;
        EXPECT_EQ(problem.value_or(moxlan::kShortPeriodMessage), moxlan::kShortPeriodMessage);
    }
}

TEST(VariableDialog, FloatFieldsShowSixSignificantDigits)
{
    EXPECT_EQ(moxlan::floatFieldText(0.0f), "0");
    EXPECT_EQ(moxlan::floatFieldText(3.14159265f), "3.14159");
    EXPECT_EQ(moxlan::floatFieldText(1234.5f), "1234.5");
    EXPECT_EQ(moxlan::floatFieldText(-0.25f), "-0.25");
    EXPECT_EQ(moxlan::floatFieldText(1.0e7f), "1e+07");

    // What the dialog shows reads back as the same float, to six digits.
    EXPECT_EQ(moxlan::parseFloatField(moxlan::floatFieldText(2.5f)), 2.5f);
}

TEST(VariableDialog, OnlyWholeNumbersPassTheFields)
{
    EXPECT_EQ(moxlan::parseFloatField("2.5"), 2.5f);
    EXPECT_EQ(moxlan::parseFloatField("  -7 "), -7.0f);
    EXPECT_EQ(moxlan::parseFloatField("1e3"), 1000.0f);
    EXPECT_EQ(moxlan::parseFloatField(".5"), 0.5f);
    for (const char* refused : {"", "   ", "abc", "2.5x", "1,5", "--1", "1e", "nan", "1e39"})
        EXPECT_FALSE(moxlan::parseFloatField(refused)) << refused;

    EXPECT_EQ(moxlan::parseIntegerField("3"), 3);
    EXPECT_EQ(moxlan::parseIntegerField(" -4\t"), -4);
    EXPECT_EQ(moxlan::parseIntegerField("0"), 0);
    EXPECT_EQ(moxlan::parseIntegerField("2147483647"), 2147483647);
    for (const char* refused : {"", "1.5", "x", "3s", "2147483648", "-2147483649", "1 2"})
        EXPECT_FALSE(moxlan::parseIntegerField(refused)) << refused;
}

} // namespace
