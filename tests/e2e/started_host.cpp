#include "started_host.h"

#include "child_process.h"
#include "example_tags.h"
#include "host_process.h"
#include "opc_client.h"
#include "probe_group.h"

#include <gtest/gtest.h>
#include <memory>

namespace e2e {
namespace {

// Bounds of waits for what must come; reached only when something is broken.
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 30000;

// Made in start and ended in stop, in this order; one host per test program.
std::unique_ptr<RunningProgram> hostProgram;
std::unique_ptr<Apartment> apartment;
vetrel::ComPtr<IOPCServer> connection;

} // namespace

void StartedHost::start(const std::string& arguments)
{
    hostProgram = std::make_unique<RunningProgram>("vetrel-example-host.exe", arguments);
    ASSERT_TRUE(hostProgram->waitForLine("tick 1:", kStartTimeoutMs)) << hostProgram->output();
    apartment = std::make_unique<Apartment>();
    HRESULT hr = E_FAIL;
    connection = activateHost<IOPCServer>(IID_IOPCServer, &hr);
    ASSERT_EQ(hr, S_OK);
}

void StartedHost::stop()
{
    if (connected()) {
        VARIANT quit;
        VariantInit(&quit);
        quit.vt = VT_BOOL;
        quit.boolVal = VARIANT_TRUE;
        write(example::kQuit, quit);
    }
    connection.reset();
    if (hostProgram) {
        EXPECT_EQ(hostProgram->waitForExit(kExitTimeoutMs), 0u)
            << "the host ends cleanly when asked";
    }
    hostProgram.reset();
    apartment.reset();
}

bool StartedHost::connected()
{
    return static_cast<bool>(connection);
}

IOPCServer* StartedHost::server()
{
    return connection.get();
}

void StartedHost::write(std::string_view tag, const VARIANT& value)
{
    opcprobe::ProbeGroup writer(server());
    const std::vector<opcprobe::AddedItem> items = writer.addItems({std::string(tag)});
    ASSERT_EQ(items.size(), 1u);
    ASSERT_EQ(items[0].error, S_OK) << tag;
    HRESULT hr = E_FAIL;
    const std::vector<HRESULT> errors =
        writeItems(writer.syncIO(), {items[0].server}, {value}, &hr);
    EXPECT_EQ(hr, S_OK) << tag;
    EXPECT_EQ(errors, std::vector<HRESULT>{S_OK}) << tag;
}

} // namespace e2e
