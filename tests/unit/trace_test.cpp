// Trace lines as the host's event message callback receives them.
#include "comkit/host_callbacks.h"
#include "comkit/trace.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> received;

void record(char* text)
{
    received.emplace_back(text);
}

TEST(Trace, LongLinesReachTheHostCutTo99Characters)
{
    vetrel::hostCallbacks().eventMsg = record;
    const std::string line(120, 'x');
    vetrel::trace("%s", line.c_str());
    vetrel::trace("IOPCServer::GetStatus");
    vetrel::hostCallbacks().eventMsg = nullptr;

    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0], line.substr(0, 99));
    EXPECT_EQ(received[1], "IOPCServer::GetStatus");
}

} // namespace
