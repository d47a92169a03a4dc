// The example host frozen, then killed, while a client waits in a synchronous Read: the Read
// fails soon after the host dies instead of waiting for ever.
#include "host_process.h"
#include "opc_client.h"
#include "probe_group.h"
#include "programs.h"

#include <condition_variable>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace {

using namespace resilience;

constexpr auto kReadAnswer = std::chrono::seconds(2);
// A read of a frozen host that is still waiting after this has reached the host.
constexpr auto kReadBlocked = std::chrono::seconds(1);

// A synchronous Read on a thread of its own, which a test can stop waiting for: a Read that
// never returns keeps only that thread.
class BackgroundRead
{
public:
    BackgroundRead(IOPCServer* server, const std::string& item)
        : m_state(std::make_shared<State>()),
          m_connection(std::make_shared<Connection>(vetrel::ComPtr<IOPCServer>(server)))
    {
        const std::vector<opcprobe::AddedItem> added = m_connection->group.addItems({item});
        EXPECT_EQ(added.at(0).error, S_OK) << item;
        m_handle = added.at(0).server;
    }

    void start()
    {
        std::thread([state = m_state, connection = m_connection, handle = m_handle] {
            HRESULT result = E_FAIL;
            e2e::readItems(connection->group.syncIO(), {handle}, &result);
            {
                std::lock_guard held(state->lock);
                state->result = result;
            }
            state->done.notify_all();
        }).detach();
    }

    // The Read's result, or empty while it is still waiting after the timeout.
    std::optional<HRESULT> waitFor(Clock::duration timeout)
    {
        std::unique_lock held(m_state->lock);
        m_state->done.wait_for(held, timeout, [this] { return m_state->result.has_value(); });
        return m_state->result;
    }

private:
    // The thread may outlive the test's own references.
    struct Connection
    {
        explicit Connection(vetrel::ComPtr<IOPCServer> held)
            : server(std::move(held)), group(server.get())
        {}
        vetrel::ComPtr<IOPCServer> server;
        opcprobe::ProbeGroup group;
    };
    struct State
    {
        std::mutex lock;
        std::condition_variable done;
        std::optional<HRESULT> result;
    };
    std::shared_ptr<State> m_state;
    std::shared_ptr<Connection> m_connection;
    OPCHANDLE m_handle = 0;
};

TEST(HostLoss, ASyncReadOfAFrozenHostFailsSoonAfterTheHostIsKilled)
{
    const auto host = startExampleHost();
    const e2e::Apartment apartment;
    HRESULT connected = E_FAIL;
    const auto server = e2e::activateHost<IOPCServer>(IID_IOPCServer, &connected);
    ASSERT_EQ(connected, S_OK);
    BackgroundRead read(server.get(), "Example.Tank.Level");

    ASSERT_TRUE(host->linuxProcess().stop());
    read.start();
    ASSERT_FALSE(read.waitFor(kReadBlocked)) << "a frozen host answered";
    const auto killed = Clock::now();
    ASSERT_TRUE(host->linuxProcess().kill());
    const std::optional<HRESULT> result = read.waitFor(kReadAnswer);
    ASSERT_TRUE(result) << "the Read still waits " << milliseconds(kReadAnswer)
                        << " ms after its host died";
    EXPECT_TRUE(FAILED(*result)) << std::hex << *result;
    std::printf("Read answered 0x%08lX %lld ms after its host died\n",
                static_cast<unsigned long>(*result), milliseconds(Clock::now() - killed));
}

} // namespace
