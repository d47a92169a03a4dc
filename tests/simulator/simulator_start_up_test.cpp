// What the simulator decides at start-up and shows while it runs: the registration tokens of
// its command line, its folder, and the lines of its event log.
#include "simulator/core/command_line.h"
#include "simulator/core/event_log.h"
#include "support/times.h"

#include <gtest/gtest.h>

namespace {

using moxlan::RegistrationRequest;
using vetrel::test::systemTime;

TEST(CommandLine, RegistrationTokensDecideInOrder)
{
    const struct
    {
        const char* line;
        RegistrationRequest expected;
    } cases[] = {
        {"", RegistrationRequest::None},
        {"/RegServer", RegistrationRequest::Register},
        {"-RegServer", RegistrationRequest::Register},
        {"RegServer", RegistrationRequest::Register},
        {"  regserver  ", RegistrationRequest::Register},
        {"/REGSERVER", RegistrationRequest::Register},
        {"-unregserver", RegistrationRequest::Unregister},
        {"/UnregServer /RegServer", RegistrationRequest::Unregister},
        {"/RegServer /UnregServer", RegistrationRequest::Register},
        {"/Embedding /RegServer", RegistrationRequest::Register},
        {"file.cfg-RegServer", RegistrationRequest::Register},
        {"/RegServerX", RegistrationRequest::None},
        {"/RegServe", RegistrationRequest::None},
        {"/XRegServer", RegistrationRequest::None},
        {"/Reg Server", RegistrationRequest::None},
        {"/Embedding", RegistrationRequest::None},
        {"--config /tmp/Moxlan.cfg", RegistrationRequest::None},
        // Only minus, slash and blank separate tokens.
        {"\tRegServer", RegistrationRequest::None},
        {"x,RegServer", RegistrationRequest::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(moxlan::scanCommandLine(c.line), c.expected) << '"' << c.line << '"';
}

TEST(CommandLine, ProgramDirectoryKeepsTheLastSeparator)
{
    EXPECT_EQ(moxlan::programDirectory("C:\\Program Files\\Moxlan\\moxlan.exe"),
              "C:\\Program Files\\Moxlan\\");
    EXPECT_EQ(moxlan::programDirectory("/opt/moxlan/bin/moxlan-console"), "/opt/moxlan/bin/");
    EXPECT_EQ(moxlan::programDirectory("moxlan.exe"), "");
}

TEST(EventLog, LinesCarryTheirArrivalTime)
{
    moxlan::CEventLog log;
    EXPECT_EQ(log.addLine("OPCServer::AddRef(1)", systemTime(2024, 3, 7, 9, 5, 2)),
              "07-Mar-2024 09:05:02 OPCServer::AddRef(1)");
    EXPECT_EQ(log.addLine("", systemTime(1999, 12, 31, 23, 59, 59)), "31-Dec-1999 23:59:59 ");
    EXPECT_EQ(log.addLine("x", systemTime(2030, 1, 1, 0, 0, 0)), "01-Jan-2030 00:00:00 x");
    EXPECT_EQ(log.lines().size(), 3u);

    // The current time has the same shape.
    const std::string now = log.addLine("now");
    ASSERT_EQ(now.size(), 24u);
    EXPECT_EQ(now[2], '-');
    EXPECT_EQ(now[6], '-');
    EXPECT_EQ(now.substr(20), " now");
}

TEST(EventLog, KeepsTheNewestThousandLines)
{
    moxlan::CEventLog log;
    const SYSTEMTIME time = systemTime(2024, 6, 1, 12, 0, 0);
    for (int i = 1; i <= 1000; ++i) log.addLine(std::to_string(i), time);
    EXPECT_EQ(log.lines().size(), 1000u);
    EXPECT_EQ(log.lines().front(), "01-Jun-2024 12:00:00 1");

    log.addLine("1001", time);
    EXPECT_EQ(log.lines().size(), 1000u);
    EXPECT_EQ(log.lines().front(), "01-Jun-2024 12:00:00 2");
    EXPECT_EQ(log.lines().back(), "01-Jun-2024 12:00:00 1001");

    log.clear();
    EXPECT_TRUE(log.lines().empty());
    log.addLine("after", time);
    EXPECT_EQ(log.lines().front(), "01-Jun-2024 12:00:00 after");
}

TEST(EventLog, CopyTextEndsEveryLineWithCarriageReturnLineFeed)
{
    moxlan::CEventLog log;
    EXPECT_EQ(log.copyText(), "");
    const SYSTEMTIME time = systemTime(2024, 6, 1, 12, 0, 0);
    log.addLine("a", time);
    log.addLine("b", time);
    const std::string text = log.copyText();
    EXPECT_EQ(text, "01-Jun-2024 12:00:00 a\r\n01-Jun-2024 12:00:00 b\r\n");
    // Two lines of L characters copy as 2 L + 4 characters.
    EXPECT_EQ(text.size(), log.lines()[0].size() + log.lines()[1].size() + 4);
}

} // namespace
