// The IOPCCommon interface of a server: its one locale, its missing error texts, the client
// name, and the silence of its methods.
#include "fixtures/opc_client.h"
#include "platform/alloc_fault.h"
#include "support/trace_recorder.h"

#include <gtest/gtest.h>

namespace {

using vetrel::platform::TaskAllocationFault;
using vetrel::test::ClientConnection;
using vetrel::test::ComPtr;
using vetrel::test::TraceRecorder;
using vetrel::test::wide;

constexpr LCID kSystemDefault = 2048;

class Common : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(100); }
    void SetUp() override
    {
        m_client = ClientConnection::connect();
        m_common = ComPtr<IOPCServer>(m_client.server()).as<IOPCCommon>(IID_IOPCCommon);
        ASSERT_TRUE(m_common);
    }

    ClientConnection m_client;
    ComPtr<IOPCCommon> m_common;
};

TEST_F(Common, SpeaksOnlyTheSystemDefaultLocale)
{
    EXPECT_EQ(m_common->SetLocaleID(kSystemDefault), S_OK);
    for (const LCID refused : {LCID{1033}, LCID{1024}, LCID{0}})
        EXPECT_EQ(m_common->SetLocaleID(refused), E_FAIL) << refused;
    LCID locale = 0;
    ASSERT_EQ(m_common->GetLocaleID(&locale), S_OK);
    EXPECT_EQ(locale, kSystemDefault);
    EXPECT_EQ(m_common->GetLocaleID(nullptr), E_INVALIDARG);

    DWORD count = 0;
    LCID* locales = nullptr;
    ASSERT_EQ(m_common->QueryAvailableLocaleIDs(&count, &locales), S_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(locales[0], kSystemDefault);
    CoTaskMemFree(locales);
    EXPECT_EQ(m_common->QueryAvailableLocaleIDs(nullptr, &locales), E_INVALIDARG);
    EXPECT_EQ(m_common->QueryAvailableLocaleIDs(&count, nullptr), E_INVALIDARG);
    {
        TaskAllocationFault fault(1);
        EXPECT_EQ(m_common->QueryAvailableLocaleIDs(&count, &locales), E_OUTOFMEMORY);
    }
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(locales, nullptr);
}

TEST_F(Common, HasNoErrorTextsOfItsOwn)
{
    WCHAR sentinel[1] = {};
    for (const HRESULT code : {E_FAIL, OPC_E_INVALIDHANDLE, S_OK}) {
        LPWSTR untouched = sentinel;
        EXPECT_EQ(m_common->GetErrorString(code, &untouched), E_FAIL);
        EXPECT_EQ(untouched, sentinel);
    }
}

TEST_F(Common, MethodsSendNoTraceLines)
{
    auto& trace = TraceRecorder::start();
    const auto name = wide("Client One");
    EXPECT_EQ(m_common->SetClientName(name.c_str()), S_OK);
    EXPECT_EQ(m_common->SetClientName(nullptr), S_OK) << "an absent name is an empty one";
    LCID locale = 0;
    m_common->SetLocaleID(1033);
    m_common->GetLocaleID(&locale);
    DWORD count = 0;
    LCID* locales = nullptr;
    m_common->QueryAvailableLocaleIDs(&count, &locales);
    CoTaskMemFree(locales);
    LPWSTR text = nullptr;
    m_common->GetErrorString(E_FAIL, &text);
    EXPECT_TRUE(trace.lines().empty());
}

} // namespace
