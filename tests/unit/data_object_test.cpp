// The OPC 1.0 data object of a group: advise connections per stream format, and the stream
// blocks a data change sends, byte for byte.
#include "fixtures/opc_client.h"
#include "fixtures/recording_advise_sink.h"
#include "fixtures/recording_sinks.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>

namespace {

using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::fieldAt;
using vetrel::test::RecordingAdviseSink;
using vetrel::test::RecordingDataCallback;
using vetrel::test::TraceRecorder;

constexpr WORD kGood = 0xC0;
// Reports come only when a test forces them.
constexpr DWORD kNeverDue = 3600000;

CLIPFORMAT format(const char* name)
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name));
}

FORMATETC formatEtc(CLIPFORMAT cf)
{
    return {cf, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

class DataObject : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(100); }
    void SetUp() override
    {
        m_prefix = std::string("Stream.") +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_client = ClientConnection::connect();
        m_group = m_client.addGroup("Streams", {TRUE, kNeverDue, 77});
        ASSERT_EQ(m_group.unknown()->QueryInterface(IID_IDataObject, m_dataObject.putVoid()), S_OK);
    }
    void TearDown() override
    {
        for (DWORD tag : m_tags) RemoveTag(tag);
    }

    // A tag of this test and an item of the group that follows it.
    OPCHANDLE addTagItem(const std::string& name, VARIANT value, OPCHANDLE clientHandle,
                         VARTYPE requested = VT_EMPTY)
    {
        const std::string full = m_prefix + "." + name;
        m_tags.push_back(CreateTagA(full.c_str(), value, kGood, TRUE));
        VariantClear(&value);
        return m_group.addItem({full, "", requested, TRUE, clientHandle});
    }

    HRESULT advise(const char* formatName, IAdviseSink* sink, DWORD* connection = nullptr)
    {
        FORMATETC requested = formatEtc(format(formatName));
        DWORD issued = 0;
        const HRESULT hr = m_dataObject->DAdvise(&requested, ADVF_PRIMEFIRST, sink, &issued);
        if (connection) *connection = issued;
        return hr;
    }

    std::string m_prefix;
    std::vector<DWORD> m_tags;
    ClientConnection m_client;
    ClientGroup m_group;
    ComPtr<IDataObject> m_dataObject;
};

TEST_F(DataObject, OneSinkPerFormatWithTheFormatAsConnection)
{
    auto& trace = TraceRecorder::start();
    auto sink = RecordingAdviseSink::create();
    for (const char* name :
         {"OPCSTMFORMATDATA", "OPCSTMFORMATDATATIME", "OPCSTMFORMATWRITECOMPLETE"}) {
        DWORD connection = 0;
        EXPECT_EQ(advise(name, sink.get(), &connection), S_OK) << name;
        EXPECT_EQ(connection, format(name)) << name;
        EXPECT_EQ(advise(name, sink.get()), CONNECT_E_ADVISELIMIT) << name;
    }
    EXPECT_TRUE(trace.contains("IOPCDataObject::DAdvise"));
    EXPECT_EQ(advise("CF_SOMETHING_ELSE", sink.get()), DV_E_FORMATETC);

    FORMATETC data = formatEtc(format("OPCSTMFORMATDATA"));
    DWORD connection = 0;
    EXPECT_EQ(m_dataObject->DAdvise(nullptr, 0, sink.get(), &connection), E_POINTER);
    EXPECT_EQ(m_dataObject->DAdvise(&data, 0, nullptr, &connection), E_POINTER);
    EXPECT_EQ(m_dataObject->DAdvise(&data, 0, sink.get(), nullptr), E_POINTER);

    trace.clear();
    EXPECT_EQ(m_dataObject->DUnadvise(format("OPCSTMFORMATDATA")), S_OK);
    EXPECT_EQ(m_dataObject->DUnadvise(format("OPCSTMFORMATDATA")), OLE_E_NOCONNECTION);
    EXPECT_EQ(m_dataObject->DUnadvise(12345), OLE_E_NOCONNECTION);
    EXPECT_EQ(trace.lines(), std::vector<std::string>(3, "IOPCDataObject::DUnadvise"));
    // The slot is free again.
    EXPECT_EQ(advise("OPCSTMFORMATDATA", sink.get()), S_OK);
    EXPECT_GT(sink->references(), 1) << "the data object holds its sinks";
}

TEST_F(DataObject, DataTransferMethodsAreNotOffered)
{
    auto& trace = TraceRecorder::start();
    FORMATETC data = formatEtc(format("OPCSTMFORMATDATA"));
    STGMEDIUM medium{};
    IEnumFORMATETC* formats = nullptr;
    IEnumSTATDATA* advises = nullptr;
    EXPECT_EQ(m_dataObject->GetData(&data, &medium), E_NOTIMPL);
    EXPECT_EQ(m_dataObject->GetDataHere(&data, &medium), E_NOTIMPL);
    EXPECT_EQ(m_dataObject->QueryGetData(&data), E_NOTIMPL);
    EXPECT_EQ(m_dataObject->GetCanonicalFormatEtc(&data, &data), E_NOTIMPL);
    EXPECT_EQ(m_dataObject->SetData(&data, &medium, FALSE), E_NOTIMPL);
    EXPECT_EQ(m_dataObject->EnumFormatEtc(DATADIR_GET, &formats), E_NOTIMPL);
    EXPECT_EQ(m_dataObject->EnumDAdvise(&advises), E_NOTIMPL);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                 "IOPCDataObject::GetData",
                                 "IOPCDataObject::GetDataHere",
                                 "IOPCDataObject::QueryGetData",
                                 "IOPCDataObject::GetCanonicalFormatEtc",
                                 "IOPCDataObject::SetData",
                                 "IOPCDataObject::EnumFormatEtc",
                                 "IOPCDataObject::EnumDAdvise",
                             }));
}

TEST_F(DataObject, ADataChangeSendsTheDataTimeBlockThenTheDataBlock)
{
    const OPCHANDLE level = addTagItem("Level", vetrel::test::r4(2.5f), 10);
    const OPCHANDLE text = addTagItem("Text", vetrel::test::bstr("AB"), 11);
    ASSERT_TRUE(level && text);
    auto sink = RecordingAdviseSink::create();
    ASSERT_EQ(advise("OPCSTMFORMATDATA", sink.get()), S_OK);
    ASSERT_EQ(advise("OPCSTMFORMATDATATIME", sink.get()), S_OK);

    RefreshAllClients();
    const auto blocks = sink->blocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].format, format("OPCSTMFORMATDATATIME"));
    EXPECT_EQ(blocks[1].format, format("OPCSTMFORMATDATA"));

    // Data-time: header 20, two item headers of 20, a float of 16, "AB" of 16 + 4 + 4 + 2.
    const auto& timed = blocks[0].bytes;
    EXPECT_EQ(blocks[0].tymed, static_cast<DWORD>(TYMED_HGLOBAL));
    ASSERT_EQ(timed.size(), 20u + 40u + 16u + 26u);
    EXPECT_EQ(fieldAt<DWORD>(timed, 0), timed.size());
    EXPECT_EQ(fieldAt<DWORD>(timed, 4), 2u);
    EXPECT_EQ(fieldAt<DWORD>(timed, 8), 77u);
    EXPECT_EQ(fieldAt<DWORD>(timed, 12), 0u) << "a data change has transaction 0";
    EXPECT_EQ(fieldAt<HRESULT>(timed, 16), S_OK);
    EXPECT_EQ(fieldAt<DWORD>(timed, 20), 10u);
    EXPECT_EQ(fieldAt<DWORD>(timed, 24), 60u);
    EXPECT_EQ(fieldAt<WORD>(timed, 28), kGood);
    EXPECT_EQ(fieldAt<WORD>(timed, 30), 0u);
    EXPECT_NE(fieldAt<DWORD>(timed, 36), 0u) << "the timestamp's high part";
    EXPECT_EQ(fieldAt<DWORD>(timed, 40), 11u);
    EXPECT_EQ(fieldAt<DWORD>(timed, 44), 76u);
    EXPECT_EQ(fieldAt<VARTYPE>(timed, 60), VT_R4);
    EXPECT_EQ(fieldAt<FLOAT>(timed, 68), 2.5f);
    EXPECT_EQ(fieldAt<VARTYPE>(timed, 76), VT_BSTR);
    EXPECT_EQ(fieldAt<DWORD>(timed, 92), 4u) << "the string's byte length";
    EXPECT_EQ(fieldAt<WCHAR>(timed, 96), 'A');
    EXPECT_EQ(fieldAt<WCHAR>(timed, 98), 'B');
    EXPECT_EQ(fieldAt<WCHAR>(timed, 100), 0);

    // Data: the same with 12-byte item headers.
    const auto& data = blocks[1].bytes;
    ASSERT_EQ(data.size(), 20u + 24u + 16u + 26u);
    EXPECT_EQ(fieldAt<DWORD>(data, 0), data.size());
    EXPECT_EQ(fieldAt<DWORD>(data, 20), 10u);
    EXPECT_EQ(fieldAt<DWORD>(data, 24), 44u);
    EXPECT_EQ(fieldAt<DWORD>(data, 32), 11u);
    EXPECT_EQ(fieldAt<DWORD>(data, 36), 60u);
    EXPECT_EQ(fieldAt<FLOAT>(data, 52), 2.5f);
    EXPECT_EQ(fieldAt<DWORD>(data, 76), 4u);
}

TEST_F(DataObject, RequestedStringTypeIsSentAsAStringAndCounted)
{
    ASSERT_TRUE(addTagItem("Float", vetrel::test::r4(1.5f), 5, VT_BSTR));
    auto sink = RecordingAdviseSink::create();
    ASSERT_EQ(advise("OPCSTMFORMATDATA", sink.get()), S_OK);
    RefreshAllClients();
    const auto blocks = sink->blocks();
    ASSERT_EQ(blocks.size(), 1u);
    const auto& data = blocks[0].bytes;
    const DWORD length = fieldAt<DWORD>(data, 32 + 16);
    EXPECT_EQ(fieldAt<VARTYPE>(data, 32), VT_BSTR);
    EXPECT_EQ(length, 6u) << "\"1.5\" in UTF-16";
    EXPECT_EQ(data.size(), 32u + 16u + 4u + length + 2u);
    EXPECT_EQ(fieldAt<DWORD>(data, 0), data.size());
}

TEST_F(DataObject, OnePathReportsEachChange)
{
    const OPCHANDLE item = addTagItem("Shared", vetrel::test::r4(1.0f), 3);
    ASSERT_TRUE(item);
    auto callback = RecordingDataCallback::create();
    ASSERT_EQ(vetrel::test::adviseSink(m_group.unknown(), IID_IOPCDataCallback, callback.get()),
              S_OK);

    // A data object without data sinks leaves the report to the 2.0 callback.
    RefreshAllClients();
    ASSERT_EQ(callback->calls().size(), 1u);

    // With a 1.0 sink the 1.0 path takes the change first.
    auto sink = RecordingAdviseSink::create();
    ASSERT_EQ(advise("OPCSTMFORMATDATATIME", sink.get()), S_OK);
    ASSERT_TRUE(UpdateTag(m_tags.back(), vetrel::test::r4(2.0f), kGood));
    RefreshAllClients();
    EXPECT_EQ(sink->blocks().size(), 1u);
    EXPECT_EQ(callback->calls().size(), 1u);

    // The write-complete sink alone does not take data changes.
    ASSERT_EQ(m_dataObject->DUnadvise(format("OPCSTMFORMATDATATIME")), S_OK);
    ASSERT_EQ(advise("OPCSTMFORMATWRITECOMPLETE", sink.get()), S_OK);
    ASSERT_TRUE(UpdateTag(m_tags.back(), vetrel::test::r4(3.0f), kGood));
    RefreshAllClients();
    EXPECT_EQ(sink->blocks().size(), 1u);
    EXPECT_EQ(callback->calls().size(), 2u);
}

// An object that is not an IAdviseSink, though a client passes it as one.
class NotAnAdviseSink final : public vetrel::test::SinkBase<IAdviseSink>
{
public:
    NotAnAdviseSink() : SinkBase(IID_IUnknown) {}
    void STDMETHODCALLTYPE OnDataChange(FORMATETC*, STGMEDIUM*) override {}
    void STDMETHODCALLTYPE OnViewChange(DWORD, LONG) override {}
    void STDMETHODCALLTYPE OnRename(IMoniker*) override {}
    void STDMETHODCALLTYPE OnSave() override {}
    void STDMETHODCALLTYPE OnClose() override {}
};

TEST_F(DataObject, AnObjectWithoutTheSinkInterfaceIsNotAdvised)
{
    ComPtr<NotAnAdviseSink> refused(new NotAnAdviseSink);
    DWORD connection = 0;
    EXPECT_EQ(advise("OPCSTMFORMATDATA", refused.get(), &connection), E_NOINTERFACE)
        << "the sink's own answer";
    EXPECT_EQ(connection, 0u);
    EXPECT_EQ(refused->references(), 1) << "nothing of it is kept";
    EXPECT_EQ(m_dataObject->DUnadvise(format("OPCSTMFORMATDATA")), OLE_E_NOCONNECTION);
    auto sink = RecordingAdviseSink::create();
    EXPECT_EQ(advise("OPCSTMFORMATDATA", sink.get()), S_OK) << "the slot stayed free";
}

TEST_F(DataObject, ValueThatCannotTakeTheRequestedTypeIsSentInItsOwnTypeWithQualityZero)
{
    ASSERT_TRUE(addTagItem("Large", vetrel::test::r4(1.0f), 8, VT_UI1));
    auto sink = RecordingAdviseSink::create();
    ASSERT_EQ(advise("OPCSTMFORMATDATA", sink.get()), S_OK);
    RefreshAllClients();
    ASSERT_TRUE(UpdateTag(m_tags.back(), vetrel::test::r4(1000.0f), kGood));
    RefreshAllClients();
    auto blocks = sink->blocks();
    ASSERT_EQ(blocks.size(), 2u);
    blocks.erase(blocks.begin());
    const auto& data = blocks[0].bytes;
    ASSERT_EQ(data.size(), 20u + 12u + 16u);
    EXPECT_EQ(fieldAt<HRESULT>(data, 16), S_OK) << "the block's status stays S_OK";
    EXPECT_EQ(fieldAt<DWORD>(data, 20), 8u);
    EXPECT_EQ(fieldAt<WORD>(data, 28), 0u);
    EXPECT_EQ(fieldAt<VARTYPE>(data, 32), VT_R4);
    EXPECT_EQ(fieldAt<FLOAT>(data, 40), 1000.0f);
}

} // namespace
