// The library unload with clients still connected: the class object goes first, the timer
// stops, every client with a shutdown sink is asked once to disconnect, and the unload neither
// hangs nor touches what the clients still hold.
#include "vetrel/opc.h"
#include "vetrel/vetrel.h"

#include <atomic>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace {

constexpr CLSID kUnloadClass = {
    0x3E8B61D0, 0x7A42, 0x4C55, {0x8E, 0x0F, 0x21, 0x6A, 0x9D, 0x3C, 0x5B, 0x77}};

template <typename Function> Function* exportOf(HMODULE library, const char* name)
{
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// A client's shutdown sink; one of them lets go of its server when asked, as a polite client
// does, from inside the request, and one, in the host's own process, calls back into the
// runtime there.
class ShutdownSink final : public IOPCShutdown
{
public:
    explicit ShutdownSink(IUnknown* releaseOnRequest = nullptr,
                          std::function<void()> inRequest = {})
        : m_server(releaseOnRequest), m_inRequest(std::move(inRequest))
    {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IOPCShutdown)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    // Lives on the test's stack.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE ShutdownRequest(LPCWSTR reason) override
    {
        ++requests;
        if (!reason || reason[0] != 0) ++unexpectedReasons;
        if (m_server) std::exchange(m_server, nullptr)->Release();
        if (m_inRequest) m_inRequest();
        return S_OK;
    }

    std::atomic<int> requests{0};
    std::atomic<int> unexpectedReasons{0};

private:
    IUnknown* m_server;
    std::function<void()> m_inRequest;
};

HRESULT advise(IUnknown* server, IOPCShutdown* sink)
{
    IConnectionPointContainer* container = nullptr;
    HRESULT hr =
        server->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (FAILED(hr)) return hr;
    IConnectionPoint* point = nullptr;
    hr = container->FindConnectionPoint(IID_IOPCShutdown, &point);
    container->Release();
    if (FAILED(hr)) return hr;
    DWORD cookie = 0;
    hr = point->Advise(sink, &cookie);
    point->Release();
    return hr;
}

IUnknown* connect()
{
    IUnknown* server = nullptr;
    EXPECT_EQ(CoCreateInstance(kUnloadClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&server)),
              S_OK);
    return server;
}

TEST(LibraryUnload, ConnectedClientsAreAskedToDisconnectAndDoNotKeepTheRuntimeRunning)
{
    const char* path = std::getenv("VETREL_LIBRARY");
    ASSERT_NE(path, nullptr) << "VETREL_LIBRARY names the runtime library to load";
    ASSERT_GE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), 0);

    HMODULE library = LoadLibraryA(path);
    ASSERT_NE(library, nullptr) << path;
    auto* initVetrel = exportOf<decltype(InitVetrel)>(library, "InitVetrel");
    auto* connections =
        exportOf<decltype(NumbrClientConnections)>(library, "NumbrClientConnections");
    auto* resetServerRate = exportOf<decltype(ResetServerRate)>(library, "ResetServerRate");
    ASSERT_NE(initVetrel, nullptr);
    ASSERT_NE(connections, nullptr);
    ASSERT_NE(resetServerRate, nullptr);
    ASSERT_TRUE(initVetrel(kUnloadClass, 10));

    IUnknown* staying = connect();
    IUnknown* leaving = connect();
    IUnknown* silent = connect();
    ASSERT_TRUE(staying && leaving && silent);
    EXPECT_EQ(connections(), 3);
    // The unload must not wait on itself when a sink changes the rate from inside the request.
    bool rateReset = false;
    ShutdownSink stayingSink(nullptr, [&] { rateReset = resetServerRate(100) != FALSE; });
    ShutdownSink leavingSink(leaving);
    ASSERT_EQ(advise(staying, &stayingSink), S_OK);
    ASSERT_EQ(advise(leaving, &leavingSink), S_OK);

    EXPECT_TRUE(FreeLibrary(library));
    EXPECT_EQ(stayingSink.requests, 1);
    EXPECT_EQ(leavingSink.requests, 1);
    EXPECT_TRUE(rateReset);
    EXPECT_EQ(stayingSink.unexpectedReasons + leavingSink.unexpectedReasons, 0)
        << "the request carries an empty reason";
    // The server's code went with the library: the client must not call it any more, and
    // the class is no longer offered.
    IUnknown* another = nullptr;
    EXPECT_EQ(CoCreateInstance(kUnloadClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&another)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(another, nullptr);
    CoUninitialize();
}

} // namespace
