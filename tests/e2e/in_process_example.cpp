#include "in_process_example.h"

#include "example_tags.h"
#include "examples/host/command_line.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

// {8D41F0B2-6C3E-4A97-B1D5-2E7F09C4A638}
constexpr CLSID kInProcessExample = {
    0x8D41F0B2, 0x6C3E, 0x4A97, {0xB1, 0xD5, 0x2E, 0x7F, 0x09, 0xC4, 0xA6, 0x38}};

} // namespace

const CLSID& inProcessExample()
{
    static const bool started = [] {
        // The runtime keeps the tags; the object that created them is not needed after.
        const example::ExampleTags tags;
        return InitVetrel(kInProcessExample,
                          static_cast<DWORD>(example::HostCommand{}.serverRate)) != FALSE;
    }();
    EXPECT_TRUE(started) << "the runtime of the test's own process did not start";
    return kInProcessExample;
}

} // namespace e2e
