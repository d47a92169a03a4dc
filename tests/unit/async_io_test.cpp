// OPC 1.0 asynchronous reads, writes and refreshes: accepted by IOPCAsyncIO, answered on the
// next tick as stream blocks to the group's data object.
#include "fixtures/opc_client.h"
#include "fixtures/recording_advise_sink.h"
#include "fixtures/recording_sinks.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>
#include <iterator>

namespace {

using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::fieldAt;
using vetrel::test::RecordingAdviseSink;
using vetrel::test::RecordingDataCallback;
using vetrel::test::TraceRecorder;

constexpr WORD kGood = 0xC0;

CLIPFORMAT format(const char* name)
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name));
}

// Requests complete only when a test runs a tick with RefreshAllClients.
class AsyncIO : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(3600000); }
    void SetUp() override
    {
        const std::string prefix = std::string("Async1.") +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_writable =
            CreateTagA((prefix + ".Writable").c_str(), vetrel::test::r4(1.0f), kGood, TRUE);
        m_readOnly =
            CreateTagA((prefix + ".ReadOnly").c_str(), vetrel::test::r4(2.0f), kGood, FALSE);
        m_client = ClientConnection::connect();
        m_group = m_client.addGroup("Async", {TRUE, 3600000, 55});
        m_writableItem = m_group.addItem({prefix + ".Writable", "", VT_EMPTY, TRUE, 1});
        m_readOnlyItem = m_group.addItem({prefix + ".ReadOnly", "", VT_EMPTY, TRUE, 2});
        ASSERT_EQ(m_group.unknown()->QueryInterface(IID_IOPCAsyncIO, m_async.putVoid()), S_OK);
        ASSERT_EQ(m_group.unknown()->QueryInterface(IID_IDataObject, m_dataObject.putVoid()), S_OK);
    }
    void TearDown() override
    {
        RemoveTag(m_writable);
        RemoveTag(m_readOnly);
    }

    void advise(const char* formatName)
    {
        FORMATETC requested{format(formatName), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        DWORD connection = 0;
        ASSERT_EQ(m_dataObject->DAdvise(&requested, 0, m_sink.get(), &connection), S_OK);
        // The first report of the new items is not what these tests look at.
        RefreshAllClients();
        m_seen = m_sink->blocks().size();
    }

    // The blocks sent since the last advise.
    std::vector<RecordingAdviseSink::Block> sentBlocks() const
    {
        auto all = m_sink->blocks();
        all.erase(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(m_seen));
        return all;
    }

    HRESULT read(std::vector<OPCHANDLE> handles, DWORD& transaction,
                 std::vector<HRESULT>* errors = nullptr)
    {
        HRESULT* received = nullptr;
        const HRESULT hr = m_async->Read(0, OPC_DS_CACHE, static_cast<DWORD>(handles.size()),
                                         handles.data(), &transaction, &received);
        if (received && errors) errors->assign(received, received + handles.size());
        CoTaskMemFree(received);
        return hr;
    }

    HRESULT write(OPCHANDLE handle, float value, DWORD& transaction)
    {
        VARIANT written = vetrel::test::r4(value);
        HRESULT* received = nullptr;
        const HRESULT hr = m_async->Write(0, 1, &handle, &written, &transaction, &received);
        if (received) {
            EXPECT_EQ(received[0], S_OK) << "write results come with the completion";
        }
        CoTaskMemFree(received);
        return hr;
    }

    DWORD m_writable = 0;
    DWORD m_readOnly = 0;
    ClientConnection m_client;
    ClientGroup m_group;
    OPCHANDLE m_writableItem = 0;
    OPCHANDLE m_readOnlyItem = 0;
    ComPtr<IOPCAsyncIO> m_async;
    ComPtr<IDataObject> m_dataObject;
    ComPtr<RecordingAdviseSink> m_sink = RecordingAdviseSink::create();
    size_t m_seen = 0;
};

TEST_F(AsyncIO, CallsNeedTheirConnectionAndTheirArguments)
{
    auto& trace = TraceRecorder::start();
    DWORD transaction = 0;
    EXPECT_EQ(read({m_writableItem}, transaction), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(m_async->Refresh(0, OPC_DS_CACHE, &transaction), CONNECT_E_NOCONNECTION);
    advise("OPCSTMFORMATDATA");
    EXPECT_EQ(write(m_writableItem, 5.0f, transaction), CONNECT_E_NOCONNECTION)
        << "writes are answered to the write-complete sink only";

    OPCHANDLE handle = m_writableItem;
    HRESULT* errors = nullptr;
    EXPECT_EQ(m_async->Read(0, OPC_DS_CACHE, 0, &handle, &transaction, &errors), E_INVALIDARG);
    EXPECT_EQ(m_async->Read(0, OPC_DS_CACHE, 1, nullptr, &transaction, &errors), E_INVALIDARG);
    EXPECT_EQ(m_async->Read(0, OPC_DS_CACHE, 1, &handle, nullptr, &errors), E_INVALIDARG);
    EXPECT_EQ(m_async->Read(0, OPC_DS_CACHE, 1, &handle, &transaction, nullptr), E_INVALIDARG);
    EXPECT_EQ(m_async->Write(0, 1, &handle, nullptr, &transaction, &errors), E_INVALIDARG);
    EXPECT_EQ(m_async->Refresh(0, OPC_DS_CACHE, nullptr), E_INVALIDARG);
    EXPECT_TRUE(trace.contains("IOPCASyncIO::Read"));
    EXPECT_TRUE(trace.contains("IOPCASyncIO::Write"));
    EXPECT_TRUE(trace.contains("IOPCASyncIO::Refresh"));
}

TEST_F(AsyncIO, ReadIsAnsweredWithBothBlocksAndItsTransactionId)
{
    advise("OPCSTMFORMATDATA");
    advise("OPCSTMFORMATDATATIME");
    DWORD first = 0, second = 0;
    ASSERT_EQ(read({m_readOnlyItem, m_writableItem}, first), S_OK);
    ASSERT_EQ(read({m_writableItem}, second), S_OK);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(second, first + 1) << "ids come from the group's counter";
    ASSERT_TRUE(UpdateTag(m_readOnly, vetrel::test::r4(4.5f), kGood));

    RefreshAllClients();
    const auto blocks = sentBlocks();
    // The updated tag's report comes after the completions of the drained requests.
    ASSERT_EQ(blocks.size(), 6u);
    EXPECT_EQ(fieldAt<DWORD>(blocks[5].bytes, 4), 1u) << "only the updated item changed";
    EXPECT_EQ(blocks[0].format, format("OPCSTMFORMATDATATIME"));
    EXPECT_EQ(blocks[1].format, format("OPCSTMFORMATDATA"));
    EXPECT_EQ(fieldAt<DWORD>(blocks[0].bytes, 12), first);
    EXPECT_EQ(fieldAt<DWORD>(blocks[1].bytes, 12), first);
    EXPECT_EQ(fieldAt<DWORD>(blocks[1].bytes, 4), 2u);
    EXPECT_EQ(fieldAt<DWORD>(blocks[1].bytes, 20), 2u) << "request order";
    EXPECT_EQ(fieldAt<FLOAT>(blocks[1].bytes, 20 + 24 + 8), 4.5f) << "the value at completion";
    EXPECT_EQ(fieldAt<DWORD>(blocks[3].bytes, 12), second);
    EXPECT_EQ(fieldAt<DWORD>(blocks[5].bytes, 12), 0u) << "then the data change";
}

TEST_F(AsyncIO, AReadWithAnUnknownHandleIsNeverAnswered)
{
    advise("OPCSTMFORMATDATA");
    DWORD transaction = 0;
    std::vector<HRESULT> errors;
    EXPECT_EQ(read({m_writableItem, 0xBADu, m_readOnlyItem}, transaction, &errors),
              OPC_E_INVALIDHANDLE);
    EXPECT_EQ(errors, (std::vector<HRESULT>{S_OK, OPC_E_INVALIDHANDLE, S_OK}));
    EXPECT_NE(transaction, 0u);
    RefreshAllClients();
    EXPECT_TRUE(sentBlocks().empty());
}

TEST_F(AsyncIO, TheQueueHoldsTenRequests)
{
    advise("OPCSTMFORMATDATA");
    DWORD transaction = 0;
    for (int i = 0; i < 10; ++i) ASSERT_EQ(read({m_writableItem}, transaction), S_OK);
    EXPECT_EQ(read({m_writableItem}, transaction), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(m_async->Refresh(0, OPC_DS_CACHE, &transaction), CONNECT_E_ADVISELIMIT);
    RefreshAllClients();
    EXPECT_EQ(sentBlocks().size(), 10u);
    EXPECT_EQ(read({m_writableItem}, transaction), S_OK) << "the tick emptied the queue";
}

TEST_F(AsyncIO, CancelledRequestsAreNotAnsweredOnStreams)
{
    auto& trace = TraceRecorder::start();
    advise("OPCSTMFORMATDATA");
    DWORD cancelled = 0, kept = 0;
    ASSERT_EQ(read({m_writableItem}, cancelled), S_OK);
    ASSERT_EQ(read({m_readOnlyItem}, kept), S_OK);
    EXPECT_EQ(m_async->Cancel(cancelled), S_OK);
    EXPECT_TRUE(trace.contains("IOPCASyncIO::Cancel"));
    RefreshAllClients();
    const auto blocks = sentBlocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(fieldAt<DWORD>(blocks[0].bytes, 12), kept);
    EXPECT_EQ(m_async->Cancel(kept), E_FAIL) << "completed already";
}

TEST_F(AsyncIO, RefreshCarriesTheActiveItemsOnly)
{
    advise("OPCSTMFORMATDATATIME");
    DWORD transaction = 0;
    ASSERT_EQ(m_async->Refresh(0, OPC_DS_CACHE, &transaction), S_OK);
    RefreshAllClients();
    auto blocks = sentBlocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(fieldAt<DWORD>(blocks[0].bytes, 4), 2u);
    EXPECT_EQ(fieldAt<DWORD>(blocks[0].bytes, 12), transaction);

    auto* items = m_group.items();
    OPCHANDLE handles[] = {m_writableItem, m_readOnlyItem};
    HRESULT* errors = nullptr;
    ASSERT_EQ(items->SetActiveState(2, handles, FALSE, &errors), S_OK);
    CoTaskMemFree(errors);
    ASSERT_EQ(m_async->Refresh(0, OPC_DS_CACHE, &transaction), S_OK);
    RefreshAllClients();
    EXPECT_EQ(sentBlocks().size(), 1u) << "no active item, no block";
}

TEST_F(AsyncIO, WriteResultsArriveInTheWriteCompleteBlock)
{
    advise("OPCSTMFORMATWRITECOMPLETE");
    DWORD refused = 0, removed = 0;
    ASSERT_EQ(write(m_readOnlyItem, 9.0f, refused), S_OK);
    ASSERT_EQ(write(m_writableItem, 7.0f, removed), S_OK);
    VARIANT now;
    VariantInit(&now);
    ASSERT_TRUE(ReadTag(m_writable, &now));
    EXPECT_EQ(now.fltVal, 7.0f) << "written during the call";
    ASSERT_EQ(m_group.removeItems({m_writableItem}), std::vector<HRESULT>{S_OK});

    RefreshAllClients();
    const auto blocks = sentBlocks();
    ASSERT_EQ(blocks.size(), 2u);
    const auto& first = blocks[0].bytes;
    EXPECT_EQ(blocks[0].format, format("OPCSTMFORMATWRITECOMPLETE"));
    ASSERT_EQ(first.size(), 24u);
    EXPECT_EQ(fieldAt<DWORD>(first, 0), 1u);
    EXPECT_EQ(fieldAt<DWORD>(first, 4), 55u);
    EXPECT_EQ(fieldAt<DWORD>(first, 8), refused);
    EXPECT_EQ(fieldAt<HRESULT>(first, 12), S_OK);
    EXPECT_EQ(fieldAt<DWORD>(first, 16), 2u);
    EXPECT_EQ(fieldAt<HRESULT>(first, 20), OPC_E_BADRIGHTS);
    EXPECT_EQ(fieldAt<DWORD>(blocks[1].bytes, 16), m_writableItem)
        << "a removed item is named by its server handle";
    EXPECT_EQ(fieldAt<HRESULT>(blocks[1].bytes, 20), S_OK);
}

TEST_F(AsyncIO, AWriteWhoseSinkLeftBeforeTheTickSendsNothing)
{
    advise("OPCSTMFORMATWRITECOMPLETE");
    DWORD transaction = 0;
    ASSERT_EQ(write(m_writableItem, 3.0f, transaction), S_OK);
    ASSERT_EQ(m_dataObject->DUnadvise(format("OPCSTMFORMATWRITECOMPLETE")), S_OK);
    RefreshAllClients();
    EXPECT_TRUE(sentBlocks().empty());
}

TEST_F(AsyncIO, RequestsAreAnsweredOnEveryConnectionOfTheGroup)
{
    advise("OPCSTMFORMATDATA");
    auto callback = RecordingDataCallback::create();
    ASSERT_EQ(vetrel::test::adviseSink(m_group.unknown(), IID_IOPCDataCallback, callback.get()),
              S_OK);
    DWORD transaction = 0;
    ASSERT_EQ(read({m_writableItem}, transaction), S_OK);
    RefreshAllClients();
    EXPECT_EQ(sentBlocks().size(), 1u);
    const auto calls = callback->calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, RecordingDataCallback::Kind::ReadComplete);
    EXPECT_EQ(calls[0].transactionID, transaction);
}

TEST_F(AsyncIO, WritesAndRefreshesAskForRoomBeforeTheirConnection)
{
    advise("OPCSTMFORMATDATA");
    advise("OPCSTMFORMATWRITECOMPLETE");
    DWORD transaction = 0;
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(m_async->Refresh(0, OPC_DS_CACHE, &transaction), S_OK) << i;
    ASSERT_EQ(m_dataObject->DUnadvise(format("OPCSTMFORMATDATA")), S_OK);
    ASSERT_EQ(m_dataObject->DUnadvise(format("OPCSTMFORMATWRITECOMPLETE")), S_OK);
    // Full and without sinks: a read asks for its connection first, the others for room.
    EXPECT_EQ(read({m_writableItem}, transaction), CONNECT_E_NOCONNECTION);
    EXPECT_EQ(m_async->Refresh(0, OPC_DS_CACHE, &transaction), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(write(m_writableItem, 4.0f, transaction), CONNECT_E_ADVISELIMIT);

    RefreshAllClients();
    EXPECT_TRUE(sentBlocks().empty()) << "no sink is left to answer";
    EXPECT_EQ(m_async->Refresh(0, OPC_DS_CACHE, &transaction), CONNECT_E_NOCONNECTION)
        << "room again, but still no connection";
}

TEST_F(AsyncIO, BothInterfacesShareOneCounterAndOneQueue)
{
    advise("OPCSTMFORMATDATA");
    auto callback = RecordingDataCallback::create();
    ASSERT_EQ(vetrel::test::adviseSink(m_group.unknown(), IID_IOPCDataCallback, callback.get()),
              S_OK);
    ComPtr<IOPCAsyncIO2> async2;
    ASSERT_EQ(m_group.unknown()->QueryInterface(IID_IOPCAsyncIO2, async2.putVoid()), S_OK);

    OPCHANDLE handle = m_writableItem;
    HRESULT* errors = nullptr;
    DWORD readId = 0, refreshId = 0, transaction = 0;
    ASSERT_EQ(async2->Read(1, &handle, 500, &readId, &errors), S_OK);
    CoTaskMemFree(errors);
    ASSERT_EQ(read({m_writableItem}, transaction), S_OK);
    ASSERT_EQ(async2->Refresh2(OPC_DS_CACHE, 501, &refreshId), S_OK);
    EXPECT_EQ(transaction, readId + 1) << "one counter for both interfaces";
    EXPECT_EQ(refreshId, transaction + 1);
    EXPECT_EQ(async2->Cancel2(transaction), E_FAIL) << "a 1.0 request has no cancel id";
    EXPECT_EQ(m_async->Cancel(transaction), S_OK);

    DWORD refreshes[7] = {};
    for (DWORD& id : refreshes) ASSERT_EQ(m_async->Refresh(0, OPC_DS_CACHE, &id), S_OK);
    errors = nullptr;
    DWORD refused = 0;
    EXPECT_EQ(async2->Read(1, &handle, 502, &refused, &errors), CONNECT_E_ADVISELIMIT);
    EXPECT_EQ(read({m_writableItem}, refused), CONNECT_E_ADVISELIMIT) << "ten in one queue";

    RefreshAllClients();
    // The streams answer every request but the cancelled one, each with the id it carries.
    std::vector<DWORD> streamed;
    for (const auto& block : sentBlocks()) streamed.push_back(fieldAt<DWORD>(block.bytes, 12));
    std::vector<DWORD> expected = {500, 501};
    expected.insert(expected.end(), std::begin(refreshes), std::end(refreshes));
    EXPECT_EQ(streamed, expected);

    // The callback answers every request, the cancelled one with its cancellation.
    using Kind = RecordingDataCallback::Kind;
    const auto calls = callback->calls();
    ASSERT_EQ(calls.size(), 10u);
    EXPECT_EQ(calls[0].kind, Kind::ReadComplete);
    EXPECT_EQ(calls[0].transactionID, 500u);
    EXPECT_EQ(calls[1].kind, Kind::CancelComplete);
    EXPECT_EQ(calls[1].transactionID, transaction);
    EXPECT_EQ(calls[2].kind, Kind::DataChange);
    EXPECT_EQ(calls[2].transactionID, 501u);
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(calls[3 + i].transactionID, refreshes[i]) << i;
}

TEST_F(AsyncIO, TheOPC10InterfacesForwardTheirIUnknownToTheGroup)
{
    const auto forwards = [](IUnknown* object, const std::string& name) {
        auto& trace = TraceRecorder::start();
        const ULONG count = object->AddRef();
        object->Release();
        ComPtr<IOPCSyncIO> syncIO;
        ASSERT_EQ(object->QueryInterface(IID_IOPCSyncIO, syncIO.putVoid()), S_OK) << name;
        const auto counted = [](const char* text, ULONG n) {
            return std::string(text) + "(" + std::to_string(n) + ")";
        };
        EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                     name + "::AddRef() [defered to OPCGroup]",
                                     counted("OPCGroup::AddRef", count),
                                     name + "::Release() [defered to OPCGroup]",
                                     counted("OPCGroup::Release", count),
                                     name + "::QueryInterface() [defered to OPCGroup]",
                                     "OPCGroup::QueryInterface IID_IOPCSyncIO",
                                     counted("OPCGroup::AddRef", count),
                                 }));
    };
    forwards(m_async.get(), "IOPCASyncIO");
    forwards(m_dataObject.get(), "IOPCDataObject");
}

} // namespace
