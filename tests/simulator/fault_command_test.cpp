// The fault commands a host reads one per line, and what each does to a variable's fault.
#include "simulator/core/fault_command.h"

#include <gtest/gtest.h>

namespace {

using moxlan::FaultCommand;
using moxlan::FaultQuality;
using Kind = FaultCommand::Kind;

TEST(FaultCommand, LinesParseIntoCommandsOrOneLineErrors)
{
    const struct
    {
        const char* line;
        Kind kind;
        const char* name;
        FaultQuality quality;
        const char* error;
    } cases[] = {
        {"quality Plant.Ramp bad", Kind::Quality, "Plant.Ramp", FaultQuality::Bad, ""},
        {"  quality\tTank Level  uncertain \r", Kind::Quality, "Tank Level",
         FaultQuality::Uncertain, ""},
        {"quality Plant.Ramp good", Kind::Quality, "Plant.Ramp", FaultQuality::Good, ""},
        {"freeze Tank Level", Kind::Freeze, "Tank Level", FaultQuality::Good, ""},
        {"resume Plant.Ramp", Kind::Resume, "Plant.Ramp", FaultQuality::Good, ""},
        {"help", Kind::Help, "", FaultQuality::Good, ""},
        {"", Kind::Nothing, "", FaultQuality::Good, ""},
        {" \t", Kind::Nothing, "", FaultQuality::Good, ""},
        {"quality Plant.Ramp ugly", Kind::Invalid, "", FaultQuality::Good,
         "quality ugly is not good, uncertain or bad; usage: quality NAME good|uncertain|bad"},
        {"quality bad", Kind::Invalid, "", FaultQuality::Good,
         "usage: quality NAME good|uncertain|bad"},
        {"quality", Kind::Invalid, "", FaultQuality::Good,
         "usage: quality NAME good|uncertain|bad"},
        {"freeze", Kind::Invalid, "", FaultQuality::Good,
         "freeze needs a variable name: freeze NAME"},
        {"resume  ", Kind::Invalid, "", FaultQuality::Good,
         "resume needs a variable name: resume NAME"},
        {"Freeze X", Kind::Invalid, "", FaultQuality::Good,
         "unknown command: Freeze X (help lists the commands)"},
        {"help me", Kind::Invalid, "", FaultQuality::Good,
         "unknown command: help me (help lists the commands)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const FaultCommand command = moxlan::parseFaultCommand(c.line);
        EXPECT_EQ(command.kind, c.kind);
        EXPECT_EQ(command.name, c.name);
        EXPECT_EQ(command.quality, c.quality);
        EXPECT_EQ(command.error, c.error);
    }
}

TEST(FaultCommand, QualityAndFreezeAreIndependentAndShowInTheMarker)
{
    moxlan::Fault fault;
    EXPECT_EQ(moxlan::faultMarker(fault), "");
    const auto apply = [&fault](const char* line) {
        fault = moxlan::appliedFault(moxlan::parseFaultCommand(line), fault);
        return moxlan::faultMarker(fault);
    };
    EXPECT_EQ(apply("quality X bad"), "BAD");
    EXPECT_EQ(apply("freeze X"), "BAD FROZEN");
    EXPECT_EQ(apply("quality X uncertain"), "UNCERTAIN FROZEN");
    EXPECT_EQ(apply("quality X good"), "FROZEN");
    EXPECT_EQ(apply("resume X"), "");
    EXPECT_EQ(moxlan::qualityWord(FaultQuality::Good), 0xC0);
    EXPECT_EQ(moxlan::qualityWord(FaultQuality::Uncertain), 0x40);
    EXPECT_EQ(moxlan::qualityWord(FaultQuality::Bad), 0x00);
}

} // namespace
