// The library unload with a client still connected: the class object goes first, the timer
// stops, and the unload neither hangs nor touches what the client still holds.
#include "vetrel/vetrel.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

constexpr CLSID kUnloadClass = {
    0x3E8B61D0, 0x7A42, 0x4C55, {0x8E, 0x0F, 0x21, 0x6A, 0x9D, 0x3C, 0x5B, 0x77}};

template <typename Function> Function* exportOf(HMODULE library, const char* name)
{
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

TEST(LibraryUnload, ConnectedClientDoesNotKeepTheRuntimeRunning)
{
    const char* path = std::getenv("VETREL_LIBRARY");
    ASSERT_NE(path, nullptr) << "VETREL_LIBRARY names the runtime library to load";
    ASSERT_GE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), 0);

    HMODULE library = LoadLibraryA(path);
    ASSERT_NE(library, nullptr) << path;
    auto* initVetrel = exportOf<decltype(InitVetrel)>(library, "InitVetrel");
    auto* connections =
        exportOf<decltype(NumbrClientConnections)>(library, "NumbrClientConnections");
    ASSERT_NE(initVetrel, nullptr);
    ASSERT_NE(connections, nullptr);
    ASSERT_TRUE(initVetrel(kUnloadClass, 10));

    IUnknown* server = nullptr;
    ASSERT_EQ(CoCreateInstance(kUnloadClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&server)),
              S_OK);
    EXPECT_EQ(connections(), 1);

    EXPECT_TRUE(FreeLibrary(library));
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
