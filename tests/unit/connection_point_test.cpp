// The connection points of servers (IOPCShutdown) and groups (IOPCDataCallback): container,
// point and point enumerator as clients use them, and the shutdown requests the runtime sends.
#include "fixtures/opc_client.h"
#include "fixtures/recording_sinks.h"
#include "support/trace_recorder.h"
#include "support/variants.h"
#include "vetrel/vetrel.h"

#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using vetrel::test::adviseSink;
using vetrel::test::ClientConnection;
using vetrel::test::ClientGroup;
using vetrel::test::ComPtr;
using vetrel::test::GroupOptions;
using vetrel::test::RecordingDataCallback;
using vetrel::test::RecordingShutdown;
using vetrel::test::TraceRecorder;
using vetrel::test::unadviseSink;

using Lines = std::vector<std::string>;

constexpr WORD kGood = 0xC0;
// Long enough that only a forced scan reports the group's changes.
constexpr DWORD kNeverDue = 3'600'000;

// What a client sees of one owner's container, point and enumerator in the trace.
struct Texts
{
    const char* owner;
    const IID& sinkIid;
    const IID& foreignIid;
    const char* containerAddRef;
    const char* containerRelease;
    const char* containerQueryInterface;
    const char* enumConnectionPoints;
    const char* findConnectionPoint;
    const char* findSuffix;
    const char* pointAddRef;
    const char* pointRelease;
    const char* pointQueryInterface;
    const char* getConnectionInterface;
    const char* getConnectionInterfaceDone;
    const char* getConnectionPointContainer;
    const char* advise;
    const char* adviseLimit;
    // Null where the owner sends no line.
    const char* unadviseDone;
    const char* unadviseRefused;
    const char* enumConnections;
    const char* enumeratorAddRef;
    const char* enumeratorRelease;
    const char* enumeratorNext;
    const char* enumeratorSkip;
    const char* enumeratorReset;
    const char* enumeratorClone;
};

const Texts kServerTexts{
    "OPCServer",
    IID_IOPCShutdown,
    IID_IOPCDataCallback,
    "OPCServerConnectionContainer::AddRef() [defered to OPCServer]",
    "OPCServerConnectionContainer::Release() [defered to OPCServer]",
    "CIOPCServerConnectionContainer::QueryInterface",
    "CIOPCSvrConnectionContainer::EnumConnectionPoints",
    "CIOPCSvrConnectionContainer::FindConnectionPoint",
    " IID_IOPCShutdown",
    "OPCServerConnectionPoint::AddRef() [defered to OPCServerConnectionContainer]",
    "OPCServerConnectionPoint::Release() [defered to OPCServerConnectionContainer]",
    "OPCSvrConnectionPoint::QueryInterface",
    "OPCServerConnectionPoint::GetConnectionInterface",
    "OPCServerConnectionPoint::GetConnectionInterface",
    "OPCServerConnectionPoint::GetConnectionPointContainer",
    "OPCServerConnectionPoint::Advise",
    "OPCServerConnectionPoint::Advise E_ADVISELIMIT",
    nullptr,
    "OPCServerConnectionPoint::Uadvise CONNECT_E_NOCONNECTION",
    nullptr,
    "IOPCServerConnectionPtEnumerator::AddRef",
    "IOPCServerConnectionPtEnumerator::Release",
    "CIOPCServerConnectionPtEnumerator::Next",
    nullptr,
    nullptr,
    nullptr,
};

const Texts kGroupTexts{
    "OPCGroup",
    IID_IOPCDataCallback,
    IID_IOPCShutdown,
    "OPCGroupConnectionContainer::AddRef() [defered to OPCGroup]",
    "OPCGroupConnectionContainer::Release() [defered to OPCGroup]",
    "CIOPCGroupConnectionContainer::QueryInterface",
    "CIOPCGroupConnectionContainer::EnumConnectionPoints",
    "CIOPCGroupConnectionContainer::FindConnectionPoint",
    " IID_IOPCDataCallback",
    "OPCGroupConnectionPoint::AddRef() [defered to OPCGroupConnectionContainer]",
    "OPCGroupConnectionPoint::Release() [defered to OPCGroupConnectionContainer]",
    "OPCGroupConnectionPoint::QueryInterface",
    "OPCGroupConnectionPoint::GetConnectionInterface",
    "OPCGroupConnectionPoint::GetConnectionInterface IID_IOPCDataCallback",
    "OPCGroupConnectionPoint::GetConnectionPointContainer",
    "OPCGroupConnectionPoint::Advise",
    "OPCGroupConnectionPoint::Advise CONNECT_E_ADVISELIMIT",
    "OPCGroupConnectionPoint::Unadvise S_OK",
    "OPCGroupConnectionPoint::Unadvise CONNECT_E_NOCONNECT",
    "OPCGroupConnectionPoint::Unadvise E_NOTIMPL",
    "IOPCGroupConnectionPtEnumerator::AddRef",
    "IOPCGroupConnectionPtEnumerator::Release",
    "CIOPCGroupConnectionPtEnumerator::Next",
    "CIOPCGroupConnectionPtEnumerator::Skip",
    "CIOPCGroupConnectionPtEnumerator::Reset",
    "CIOPCGroupConnectionPtEnumerator::Clone",
};

std::string joined(const char* text, const char* suffix)
{
    return std::string(text) + suffix;
}

// "text(count)", as reference lines read.
std::string counted(const std::string& text, long count)
{
    return text + "(" + std::to_string(count) + ")";
}

std::string ownerLine(const Texts& texts, const char* method, long count)
{
    return counted(std::string(texts.owner) + "::" + method, count);
}

// The owner's own reference lines carry counts that depend on how many references the client
// holds; they read "OPCServer::AddRef(n)" here.
Lines withOwnerCounts(const Lines& lines, const Texts& texts)
{
    const std::string owner = std::string(texts.owner) + "::";
    Lines result;
    for (const std::string& line : lines) {
        const bool counting =
            line.rfind(owner + "AddRef(", 0) == 0 || line.rfind(owner + "Release(", 0) == 0;
        result.push_back(counting ? line.substr(0, line.find('(')) + "(n)" : line);
    }
    return result;
}

// A client sink of either kind, with what the tests need to know of it. The one reference is
// unknown's: the functions look at the sink without holding it.
struct TestSink
{
    ComPtr<IUnknown> unknown;
    std::function<size_t()> calls;
    std::function<LONG()> references;
};

TestSink shutdownSink()
{
    auto sink = RecordingShutdown::create();
    RecordingShutdown* seen = sink.get();
    return {ComPtr<IUnknown>(seen), [seen] { return seen->reasons().size(); },
            [seen] { return seen->references(); }};
}

TestSink dataSink()
{
    auto sink = RecordingDataCallback::create();
    RecordingDataCallback* seen = sink.get();
    return {ComPtr<IUnknown>(seen), [seen] { return seen->calls().size(); },
            [seen] { return seen->references(); }};
}

// A server or a group, with the means to make the runtime call its advised sink.
struct Owner
{
    const Texts& texts;
    IUnknown* object;
    std::function<TestSink()> makeSink;
    std::function<TestSink()> makeForeignSink;
    std::function<void()> callSink;
};

ComPtr<IConnectionPointContainer> containerOf(IUnknown* owner)
{
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(owner->QueryInterface(IID_IConnectionPointContainer, container.putVoid()), S_OK);
    return container;
}

ComPtr<IConnectionPoint> pointOf(IUnknown* owner, REFIID sinkIid)
{
    ComPtr<IConnectionPoint> point;
    if (auto container = containerOf(owner)) {
        EXPECT_EQ(container->FindConnectionPoint(sinkIid, point.put()), S_OK);
    }
    return point;
}

ComPtr<IEnumConnectionPoints> enumeratorOf(IUnknown* owner)
{
    ComPtr<IEnumConnectionPoints> enumerator;
    if (auto container = containerOf(owner)) {
        EXPECT_EQ(container->EnumConnectionPoints(enumerator.put()), S_OK);
    }
    return enumerator;
}

// Each test has a connection with one group, which has one item on a tag of the test's own.
class ConnectionPoints : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { vetrel::test::startRuntime(100); }
    void SetUp() override
    {
        m_tagName = std::string("Points.") +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_tag = CreateTagA(m_tagName.c_str(), vetrel::test::r4(0.0f), kGood, TRUE);
        ASSERT_NE(m_tag, 0xFFFFFFFFu);
        m_client = ClientConnection::connect();
        m_group = m_client.addGroup("Points", {TRUE, kNeverDue, 0}, &m_groupHandle);
        m_group.addItem({m_tagName});
    }
    void TearDown() override { RemoveTag(m_tag); }

    Owner server(const ClientConnection& client) const
    {
        return {kServerTexts, client.server(), shutdownSink, dataSink, [] { RequestDisconnect(); }};
    }
    Owner group(const ClientGroup& group)
    {
        return {kGroupTexts, group.unknown(), dataSink, shutdownSink, [this] {
                    // With no deadband every update is a change, reported by the forced scan.
                    UpdateTag(m_tag, vetrel::test::r4(1.0f), kGood);
                    RefreshAllClients();
                }};
    }
    std::vector<Owner> owners() { return {server(m_client), group(m_group)}; }

    std::string m_tagName;
    DWORD m_tag = 0;
    ClientConnection m_client;
    OPCHANDLE m_groupHandle = 0;
    ClientGroup m_group;
};

TEST_F(ConnectionPoints, FindConnectionPointAnswersOnlyTheOwnersSinkInterface)
{
    for (const Owner& owner : owners()) {
        SCOPED_TRACE(owner.texts.owner);
        auto container = containerOf(owner.object);
        ASSERT_TRUE(container);
        ComPtr<IConnectionPoint> point;
        EXPECT_EQ(container->FindConnectionPoint(owner.texts.sinkIid, point.put()), S_OK);
        EXPECT_TRUE(point);
        ComPtr<IConnectionPoint> again;
        EXPECT_EQ(container->FindConnectionPoint(owner.texts.sinkIid, again.put()), S_OK);
        EXPECT_EQ(again.get(), point.get()) << "one point per owner";

        // The other owner's sink interface is refused, the output left as it was.
        for (const IID* refused : {&owner.texts.foreignIid, &IID_IOPCEventSink, &IID_IUnknown}) {
            auto* untouched = reinterpret_cast<IConnectionPoint*>(&point);
            EXPECT_EQ(container->FindConnectionPoint(*refused, &untouched), E_NOINTERFACE);
            EXPECT_EQ(untouched, reinterpret_cast<IConnectionPoint*>(&point));
        }
        EXPECT_EQ(container->FindConnectionPoint(owner.texts.sinkIid, nullptr), E_INVALIDARG);
    }
}

TEST_F(ConnectionPoints, ContainerAndPointAnswerOnlyTheirOwnInterfaces)
{
    for (const Owner& owner : owners()) {
        SCOPED_TRACE(owner.texts.owner);
        auto container = containerOf(owner.object);
        ASSERT_TRUE(container);
        ComPtr<IUnknown> identity;
        EXPECT_EQ(container->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
        EXPECT_EQ(identity.get(), static_cast<IUnknown*>(container.get()));
        // Not even the container's own interface, nor the owner's.
        for (const IID* refused :
             {&IID_IConnectionPointContainer, &IID_IOPCServer, &IID_IOPCItemMgt, &IID_IMarshal}) {
            void* object = &identity;
            EXPECT_EQ(container->QueryInterface(*refused, &object), E_NOINTERFACE);
            EXPECT_EQ(object, nullptr);
        }
        EXPECT_EQ(container->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);

        ComPtr<IConnectionPoint> point;
        ASSERT_EQ(container->FindConnectionPoint(owner.texts.sinkIid, point.put()), S_OK);
        for (const IID* answered : {&IID_IUnknown, &IID_IConnectionPoint}) {
            ComPtr<IUnknown> same;
            EXPECT_EQ(point->QueryInterface(*answered, same.putVoid()), S_OK);
            EXPECT_EQ(same.get(), static_cast<IUnknown*>(point.get()));
        }
        void* object = &identity;
        EXPECT_EQ(point->QueryInterface(IID_IConnectionPointContainer, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(point->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);

        // The sink interface is known before anything is advised.
        IID iid = IID_IUnknown;
        EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
        EXPECT_TRUE(IsEqualIID(iid, owner.texts.sinkIid));
        EXPECT_EQ(point->GetConnectionInterface(nullptr), E_INVALIDARG);
        ComPtr<IConnectionPointContainer> home;
        EXPECT_EQ(point->GetConnectionPointContainer(home.put()), S_OK);
        EXPECT_EQ(home.get(), container.get());
        EXPECT_EQ(point->GetConnectionPointContainer(nullptr), E_INVALIDARG);

        auto* notFilled = reinterpret_cast<IEnumConnections*>(&identity);
        EXPECT_EQ(point->EnumConnections(&notFilled), E_NOTIMPL);
        EXPECT_EQ(point->EnumConnections(nullptr), E_NOTIMPL);
    }
}

TEST_F(ConnectionPoints, ContainerPointAndEnumeratorCountOnTheOwner)
{
    auto& trace = TraceRecorder::start();
    for (const Owner& owner : owners()) {
        SCOPED_TRACE(owner.texts.owner);
        const Texts& texts = owner.texts;
        auto container = containerOf(owner.object);
        auto point = pointOf(owner.object, texts.sinkIid);
        ASSERT_TRUE(point);

        // Each forwarded reference is one of the owner's, and its count is the owner's.
        trace.clear();
        const ULONG afterContainerAddRef = container->AddRef();
        const ULONG afterPointAddRef = point->AddRef();
        EXPECT_EQ(afterPointAddRef, afterContainerAddRef + 1);
        const ULONG afterPointRelease = point->Release();
        const ULONG afterContainerRelease = container->Release();
        EXPECT_EQ(afterPointRelease, afterContainerAddRef);
        EXPECT_EQ(afterContainerRelease, afterContainerAddRef - 1);
        EXPECT_EQ(trace.lines(), (Lines{
                                     texts.containerAddRef,
                                     ownerLine(texts, "AddRef", afterContainerAddRef),
                                     texts.pointAddRef,
                                     texts.containerAddRef,
                                     ownerLine(texts, "AddRef", afterPointAddRef),
                                     texts.pointRelease,
                                     texts.containerRelease,
                                     ownerLine(texts, "Release", afterPointAddRef),
                                     texts.containerRelease,
                                     ownerLine(texts, "Release", afterContainerAddRef),
                                 }));

        // The enumerator counts its own references, each holding one of the owner's.
        auto enumerator = enumeratorOf(owner.object);
        ASSERT_TRUE(enumerator);
        trace.clear();
        EXPECT_EQ(enumerator->AddRef(), 2u);
        EXPECT_EQ(enumerator->Release(), 1u);
        EXPECT_EQ(withOwnerCounts(trace.lines(), texts),
                  (Lines{
                      counted(texts.enumeratorAddRef, 2),
                      texts.containerAddRef,
                      std::string(texts.owner) + "::AddRef(n)",
                      counted(texts.enumeratorRelease, 2),
                      texts.containerRelease,
                      std::string(texts.owner) + "::Release(n)",
                  }));
    }
}

TEST_F(ConnectionPoints, OnePointTakesOneSinkWithCookieOne)
{
    for (const Owner& owner : owners()) {
        SCOPED_TRACE(owner.texts.owner);
        auto point = pointOf(owner.object, owner.texts.sinkIid);
        ASSERT_TRUE(point);
        TestSink first = owner.makeSink();
        TestSink second = owner.makeSink();
        TestSink foreign = owner.makeForeignSink();
        DWORD cookie = 0;
        EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
        EXPECT_EQ(point->Advise(first.unknown.get(), nullptr), E_POINTER);

        // A sink of the wrong interface leaves the point free.
        EXPECT_EQ(point->Advise(foreign.unknown.get(), &cookie), CONNECT_E_CANNOTCONNECT);
        EXPECT_EQ(foreign.references(), 1);
        EXPECT_EQ(point->Unadvise(1), CONNECT_E_NOCONNECTION);

        EXPECT_EQ(point->Advise(first.unknown.get(), &cookie), S_OK);
        EXPECT_EQ(cookie, 1u);
        EXPECT_EQ(first.references(), 2);
        cookie = 0;
        EXPECT_EQ(point->Advise(second.unknown.get(), &cookie), CONNECT_E_ADVISELIMIT);
        EXPECT_EQ(second.references(), 1);
        EXPECT_EQ(point->Advise(first.unknown.get(), &cookie), CONNECT_E_ADVISELIMIT)
            << "not even the same sink twice";

        // The first connection keeps working.
        owner.callSink();
        EXPECT_EQ(first.calls(), 1u);
        EXPECT_EQ(second.calls(), 0u);
        EXPECT_EQ(foreign.calls(), 0u);
        EXPECT_EQ(point->Unadvise(1), S_OK);
    }
}

TEST_F(ConnectionPoints, UnadviseNeedsCookieOneAndReleasesTheSink)
{
    for (const Owner& owner : owners()) {
        SCOPED_TRACE(owner.texts.owner);
        auto point = pointOf(owner.object, owner.texts.sinkIid);
        ASSERT_TRUE(point);
        TestSink sink = owner.makeSink();
        EXPECT_EQ(point->Unadvise(1), CONNECT_E_NOCONNECTION) << "nothing advised";
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(sink.unknown.get(), &cookie), S_OK);
        for (const DWORD wrong : {0u, 2u, 0xFFFFFFFFu})
            EXPECT_EQ(point->Unadvise(wrong), CONNECT_E_NOCONNECTION) << wrong;
        owner.callSink();
        EXPECT_EQ(sink.calls(), 1u) << "a refused Unadvise keeps the connection";

        EXPECT_EQ(point->Unadvise(1), S_OK);
        EXPECT_EQ(sink.references(), 1);
        EXPECT_EQ(point->Unadvise(1), CONNECT_E_NOCONNECTION);
        owner.callSink();
        EXPECT_EQ(sink.calls(), 1u);

        // Free again, and cookie 1 again.
        TestSink next = owner.makeSink();
        cookie = 0;
        EXPECT_EQ(point->Advise(next.unknown.get(), &cookie), S_OK);
        EXPECT_EQ(cookie, 1u);
        owner.callSink();
        EXPECT_EQ(next.calls(), 1u);
        EXPECT_EQ(sink.calls(), 1u);
        EXPECT_EQ(point->Unadvise(1), S_OK);
        EXPECT_EQ(next.references(), 1);
    }
}

TEST_F(ConnectionPoints, EnumeratorHandsOutTheOnePointOnce)
{
    for (const Owner& owner : owners()) {
        SCOPED_TRACE(owner.texts.owner);
        auto point = pointOf(owner.object, owner.texts.sinkIid);
        auto enumerator = enumeratorOf(owner.object);
        ASSERT_TRUE(point && enumerator);
        auto* const sentinel = reinterpret_cast<IConnectionPoint*>(&enumerator);

        IConnectionPoint* listed[3] = {sentinel, sentinel, sentinel};
        EXPECT_EQ(enumerator->Next(1, listed, nullptr), S_OK);
        EXPECT_EQ(listed[0], point.get());
        ComPtr<IConnectionPoint> taken;
        taken.attach(listed[0]);
        listed[0] = sentinel;
        ULONG fetched = 7;
        EXPECT_EQ(enumerator->Next(1, listed, &fetched), S_FALSE);
        EXPECT_EQ(fetched, 0u);
        EXPECT_EQ(listed[0], sentinel) << "nothing written when nothing is handed out";

        // Asking for more than there is hands out the one point.
        EXPECT_EQ(enumerator->Reset(), S_OK);
        EXPECT_EQ(enumerator->Next(3, listed, &fetched), S_FALSE);
        EXPECT_EQ(fetched, 1u);
        EXPECT_EQ(listed[0], point.get());
        EXPECT_EQ(listed[1], sentinel);
        EXPECT_EQ(listed[2], sentinel);
        taken.attach(listed[0]);
        listed[0] = sentinel;

        // A clone starts at the beginning wherever its source stands.
        ComPtr<IEnumConnectionPoints> clone;
        EXPECT_EQ(enumerator->Clone(clone.put()), S_OK);
        ASSERT_TRUE(clone);
        EXPECT_EQ(clone->Next(1, listed, nullptr), S_OK);
        EXPECT_EQ(listed[0], point.get());
        taken.attach(listed[0]);
        listed[0] = sentinel;
        EXPECT_EQ(enumerator->Next(1, listed, nullptr), S_FALSE) << "the source stays where it was";

        // Skipping any amount leaves nothing to hand out.
        for (const ULONG skipped : {1u, 1000u, 0xFFFFFFFFu}) {
            EXPECT_EQ(enumerator->Reset(), S_OK);
            EXPECT_EQ(enumerator->Skip(skipped), S_OK);
            EXPECT_EQ(enumerator->Skip(skipped), S_OK) << "the position does not wrap";
            EXPECT_EQ(enumerator->Next(1, listed, nullptr), S_FALSE) << skipped;
            EXPECT_EQ(listed[0], sentinel);
        }

        // Without a fetched count only one element may be asked for.
        EXPECT_EQ(enumerator->Reset(), S_OK);
        EXPECT_EQ(enumerator->Next(2, listed, nullptr), E_POINTER);
        EXPECT_EQ(enumerator->Next(0, listed, nullptr), E_POINTER);
        EXPECT_EQ(listed[0], sentinel);
        EXPECT_TRUE(FAILED(enumerator->Next(1, nullptr, &fetched)));
        EXPECT_TRUE(FAILED(enumerator->Clone(nullptr)));

        // It answers IUnknown only, not even its own interface.
        ComPtr<IUnknown> identity;
        EXPECT_EQ(enumerator->QueryInterface(IID_IUnknown, identity.putVoid()), S_OK);
        EXPECT_EQ(identity.get(), static_cast<IUnknown*>(enumerator.get()));
        void* object = &identity;
        EXPECT_EQ(enumerator->QueryInterface(IID_IEnumConnectionPoints, &object), E_NOINTERFACE);
        EXPECT_EQ(object, nullptr);
        EXPECT_EQ(enumerator->QueryInterface(IID_IUnknown, nullptr), E_INVALIDARG);
        auto container = containerOf(owner.object);
        EXPECT_EQ(container->EnumConnectionPoints(nullptr), E_INVALIDARG);
    }
}

TEST_F(ConnectionPoints, EnumeratorKeepsTheOwnerAlive)
{
    auto& trace = TraceRecorder::start();

    // A server whose client kept only an enumerator stays connected.
    auto client = ClientConnection::connect();
    const int connected = NumbrClientConnections();
    auto serverEnumerator = enumeratorOf(client.server());
    ASSERT_TRUE(serverEnumerator);
    client.release();
    EXPECT_EQ(NumbrClientConnections(), connected);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(serverEnumerator->Next(1, point.put(), nullptr), S_OK);
    ASSERT_TRUE(point);
    IID iid = IID_IUnknown;
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(IsEqualIID(iid, IID_IOPCShutdown));
    point.reset();
    trace.clear();
    serverEnumerator.reset();
    EXPECT_EQ(NumbrClientConnections(), connected - 1);
    EXPECT_EQ(trace.lines(), (Lines{
                                 "IOPCServerConnectionPtEnumerator::Release(1)",
                                 "OPCServerConnectionContainer::Release() [defered to OPCServer]",
                                 "OPCServer::Release(1)",
                             }));

    // A group taken out of its server lives on while an enumerator of it is held.
    auto groupEnumerator = enumeratorOf(m_group.unknown());
    ASSERT_TRUE(groupEnumerator);
    m_group.release();
    ASSERT_EQ(m_client.server()->RemoveGroup(m_groupHandle, FALSE), S_OK);
    EXPECT_EQ(m_client.groupNames(), std::vector<std::string>{});
    EXPECT_EQ(groupEnumerator->Next(1, point.put(), nullptr), S_OK);
    ASSERT_TRUE(point);
    EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
    EXPECT_TRUE(IsEqualIID(iid, IID_IOPCDataCallback));
    auto sink = RecordingDataCallback::create();
    DWORD cookie = 0;
    EXPECT_EQ(point->Advise(sink.get(), &cookie), S_OK);
    point.reset();
    trace.clear();
    groupEnumerator.reset();
    EXPECT_EQ(trace.lines(), (Lines{
                                 "IOPCGroupConnectionPtEnumerator::Release(1)",
                                 "OPCGroupConnectionContainer::Release() [defered to OPCGroup]",
                                 "OPCGroup::Release(1)",
                             }));
    EXPECT_EQ(sink->references(), 1) << "the group went, releasing its sink";
}

TEST_F(ConnectionPoints, MethodsSendTheirTraceLines)
{
    auto& trace = TraceRecorder::start();
    for (const Owner& owner : owners()) {
        SCOPED_TRACE(owner.texts.owner);
        const Texts& t = owner.texts;
        const std::string ownerAddRef = std::string(t.owner) + "::AddRef(n)";
        const std::string ownerRelease = std::string(t.owner) + "::Release(n)";
        const auto optional = [](const char* text) { return text ? Lines{text} : Lines{}; };
        const auto expectLines = [&](const Lines& expected) {
            EXPECT_EQ(withOwnerCounts(trace.lines(), t), expected);
            trace.clear();
        };
        auto container = containerOf(owner.object);
        ASSERT_TRUE(container);
        trace.clear();

        ComPtr<IConnectionPoint> point;
        container->FindConnectionPoint(t.sinkIid, point.put());
        expectLines({joined(t.findConnectionPoint, t.findSuffix), t.pointAddRef, t.containerAddRef,
                     ownerAddRef});
        ComPtr<IConnectionPoint> refused;
        container->FindConnectionPoint(t.foreignIid, refused.put());
        container->FindConnectionPoint(t.sinkIid, nullptr);
        expectLines({joined(t.findConnectionPoint, " E_NOINTERFACE"),
                     joined(t.findConnectionPoint, " E_INVALIDARG")});

        ComPtr<IUnknown> unknown;
        container->QueryInterface(IID_IUnknown, unknown.putVoid());
        unknown.reset();
        container->QueryInterface(IID_IConnectionPointContainer, unknown.putVoid());
        container->QueryInterface(IID_IMarshal, unknown.putVoid());
        container->QueryInterface(IID_IUnknown, nullptr);
        expectLines({joined(t.containerQueryInterface, " IID_IUnknown"), t.containerAddRef,
                     ownerAddRef, t.containerRelease, ownerRelease, t.containerQueryInterface,
                     joined(t.containerQueryInterface, " IID_IMarshal"),
                     joined(t.containerQueryInterface, " E_INVALIDARG")});

        point->QueryInterface(IID_IConnectionPoint, unknown.putVoid());
        unknown.reset();
        point->QueryInterface(IID_IUnknown, unknown.putVoid());
        unknown.reset();
        point->QueryInterface(IID_IMarshal, unknown.putVoid());
        point->QueryInterface(IID_IUnknown, nullptr);
        expectLines({joined(t.pointQueryInterface, " IID_IConnectionPoint"), t.pointAddRef,
                     t.containerAddRef, ownerAddRef, t.pointRelease, t.containerRelease,
                     ownerRelease, joined(t.pointQueryInterface, " IID_IUnknown"), t.pointAddRef,
                     t.containerAddRef, ownerAddRef, t.pointRelease, t.containerRelease,
                     ownerRelease, joined(t.pointQueryInterface, " IID_IMarshal"),
                     joined(t.pointQueryInterface, " E_INVALIDARG")});

        IID iid;
        point->GetConnectionInterface(&iid);
        point->GetConnectionInterface(nullptr);
        ComPtr<IConnectionPointContainer> home;
        point->GetConnectionPointContainer(home.put());
        point->GetConnectionPointContainer(nullptr);
        expectLines({t.getConnectionInterfaceDone,
                     joined(t.getConnectionInterface, " E_INVALIDARG"),
                     t.getConnectionPointContainer, t.containerAddRef, ownerAddRef,
                     joined(t.getConnectionPointContainer, " E_INVALIDARG")});
        home.reset();
        trace.clear();

        TestSink sink = owner.makeSink();
        TestSink other = owner.makeSink();
        TestSink foreign = owner.makeForeignSink();
        DWORD cookie = 0;
        point->Advise(nullptr, &cookie);
        point->Advise(foreign.unknown.get(), &cookie);
        point->Advise(sink.unknown.get(), &cookie);
        point->Advise(other.unknown.get(), &cookie);
        expectLines({joined(t.advise, " E_POINTER"), joined(t.advise, " CONNECT_E_CANNOTCONNECT"),
                     joined(t.advise, " S_OK"), t.adviseLimit});
        ComPtr<IEnumConnections> connections;
        point->EnumConnections(connections.put());
        expectLines(optional(t.enumConnections));
        point->Unadvise(2);
        point->Unadvise(1);
        point->Unadvise(1);
        Lines unadvised{t.unadviseRefused};
        if (t.unadviseDone) unadvised.push_back(t.unadviseDone);
        unadvised.push_back(t.unadviseRefused);
        expectLines(unadvised);

        ComPtr<IEnumConnectionPoints> enumerator;
        container->EnumConnectionPoints(enumerator.put());
        expectLines({joined(t.enumConnectionPoints, " S_OK"), counted(t.enumeratorAddRef, 1),
                     t.containerAddRef, ownerAddRef});
        enumerator->QueryInterface(IID_IUnknown, unknown.putVoid());
        unknown.reset();
        enumerator->QueryInterface(IID_IEnumConnectionPoints, unknown.putVoid());
        expectLines({joined(t.containerQueryInterface, " IID_IUnknown"),
                     counted(t.enumeratorAddRef, 2), t.containerAddRef, ownerAddRef,
                     counted(t.enumeratorRelease, 2), t.containerRelease, ownerRelease,
                     t.containerQueryInterface});

        ComPtr<IConnectionPoint> listed;
        enumerator->Next(1, listed.put(), nullptr);
        expectLines({t.enumeratorNext, joined(t.findConnectionPoint, t.findSuffix), t.pointAddRef,
                     t.containerAddRef, ownerAddRef});
        ComPtr<IConnectionPoint> none;
        enumerator->Next(1, none.put(), nullptr);
        expectLines({t.enumeratorNext});
        enumerator->Skip(1);
        enumerator->Reset();
        Lines moved = optional(t.enumeratorSkip);
        for (const auto& line : optional(t.enumeratorReset)) moved.push_back(line);
        expectLines(moved);
        ComPtr<IEnumConnectionPoints> clone;
        enumerator->Clone(clone.put());
        Lines cloned = optional(t.enumeratorClone);
        for (const auto& line :
             {counted(t.enumeratorAddRef, 1), std::string(t.containerAddRef), ownerAddRef})
            cloned.push_back(line);
        expectLines(cloned);
        clone.reset();
        expectLines({counted(t.enumeratorRelease, 1), t.containerRelease, ownerRelease});
    }
}

TEST_F(ConnectionPoints, DestroyedOwnerReleasesItsSinkOnce)
{
    // An extra reference of the test's own: a second release by the owner would show as a
    // count of 1 instead of freeing the sink under the test's feet.
    const auto expectReleasedOnce = [](const TestSink& sink) { EXPECT_EQ(sink.references(), 2); };

    auto client = ClientConnection::connect();
    TestSink shutdown = shutdownSink();
    ComPtr<IUnknown> extra = shutdown.unknown;
    ASSERT_EQ(adviseSink(client.server(), IID_IOPCShutdown, shutdown.unknown.get()), S_OK);
    EXPECT_EQ(shutdown.references(), 3);
    client.release();
    expectReleasedOnce(shutdown);

    // A group nobody references goes when it is removed.
    TestSink data = dataSink();
    ComPtr<IUnknown> dataExtra = data.unknown;
    ASSERT_EQ(adviseSink(m_group.unknown(), IID_IOPCDataCallback, data.unknown.get()), S_OK);
    m_group.release();
    EXPECT_EQ(data.references(), 3) << "a listed group keeps its sink at no references";
    ASSERT_EQ(m_client.server()->RemoveGroup(m_groupHandle, FALSE), S_OK);
    expectReleasedOnce(data);

    // A forcibly removed group still referenced lets go of its sink at its last Release.
    OPCHANDLE forcedHandle = 0;
    ClientGroup forced = m_client.addGroup("Forced", {TRUE, kNeverDue, 0}, &forcedHandle);
    TestSink forcedSink = dataSink();
    ComPtr<IUnknown> forcedExtra = forcedSink.unknown;
    ASSERT_EQ(adviseSink(forced.unknown(), IID_IOPCDataCallback, forcedSink.unknown.get()), S_OK);
    ASSERT_EQ(m_client.server()->RemoveGroup(forcedHandle, TRUE), S_OK);
    forced.release();
    expectReleasedOnce(forcedSink);

    // A server that goes takes its groups' sinks with it.
    auto owning = ClientConnection::connect();
    ClientGroup kept = owning.addGroup("Kept", {TRUE, kNeverDue, 0});
    TestSink keptSink = dataSink();
    ComPtr<IUnknown> keptExtra = keptSink.unknown;
    ASSERT_EQ(adviseSink(kept.unknown(), IID_IOPCDataCallback, keptSink.unknown.get()), S_OK);
    kept.release();
    owning.release();
    expectReleasedOnce(keptSink);
}

TEST_F(ConnectionPoints, RequestDisconnectAsksEveryServerWithASinkOnce)
{
    auto advised = ClientConnection::connect();
    auto sink = RecordingShutdown::create();
    bool reasonGiven = false;
    sink->onRequest([&reasonGiven](LPCWSTR reason) { reasonGiven = reason != nullptr; });
    ASSERT_EQ(adviseSink(advised.server(), IID_IOPCShutdown, sink.get()), S_OK);

    // A container without a sink, a sink advised and taken back, and no container at all.
    auto containerOnly = ClientConnection::connect();
    ASSERT_TRUE(pointOf(containerOnly.server(), IID_IOPCShutdown));
    auto withdrawn = ClientConnection::connect();
    auto withdrawnSink = RecordingShutdown::create();
    ASSERT_EQ(adviseSink(withdrawn.server(), IID_IOPCShutdown, withdrawnSink.get()), S_OK);
    ASSERT_EQ(unadviseSink(withdrawn.server(), IID_IOPCShutdown), S_OK);
    auto plain = ClientConnection::connect();

    const int connected = NumbrClientConnections();
    EXPECT_EQ(RequestDisconnect(), connected);
    EXPECT_EQ(sink->reasons(), std::vector<std::string>{""});
    EXPECT_TRUE(reasonGiven) << "an empty reason, not an absent one";
    EXPECT_EQ(withdrawnSink->reasons().size(), 0u);

    // The request changes nothing: the sink stays advised and the servers keep serving.
    EXPECT_EQ(NumbrClientConnections(), connected);
    EXPECT_EQ(RequestDisconnect(), connected);
    EXPECT_EQ(sink->reasons().size(), 2u);
    EXPECT_EQ(advised.addGroup("After").getState().name, "After");
    EXPECT_EQ(unadviseSink(advised.server(), IID_IOPCShutdown), S_OK);
}

TEST_F(ConnectionPoints, ClientMayReleaseItsServerInsideShutdownRequest)
{
    constexpr int kLeaving = 3;
    const int before = NumbrClientConnections();
    // Servers whose clients let go of everything they hold when asked, groups included.
    std::vector<ClientConnection> clients;
    std::vector<ClientGroup> groups;
    for (int i = 0; i < kLeaving; ++i) {
        clients.push_back(ClientConnection::connect());
        groups.push_back(clients.back().addGroup("Leaving"));
    }
    std::vector<ComPtr<RecordingShutdown>> sinks;
    for (int i = 0; i < kLeaving; ++i) {
        sinks.push_back(RecordingShutdown::create());
        sinks.back()->onRequest([&client = clients[i], &group = groups[i]](LPCWSTR) {
            group.release();
            client.release();
        });
        ASSERT_EQ(adviseSink(clients[i].server(), IID_IOPCShutdown, sinks.back().get()), S_OK);
    }
    ASSERT_EQ(NumbrClientConnections(), before + kLeaving);

    EXPECT_EQ(RequestDisconnect(), before + kLeaving);
    EXPECT_EQ(NumbrClientConnections(), before);
    for (const auto& sink : sinks) {
        EXPECT_EQ(sink->reasons().size(), 1u) << "each asked once, none skipped";
        EXPECT_EQ(sink->references(), 1) << "released by the server that went";
    }
}

// Lets racing threads start each step together. The standard barrier's atomic waits stall
// under Wine, so this one waits on a condition variable.
class Rendezvous
{
public:
    explicit Rendezvous(int parties) : m_parties(parties) {}

    void arriveAndWait()
    {
        std::unique_lock held(m_lock);
        const unsigned generation = m_generation;
        if (++m_arrived == m_parties) {
            m_arrived = 0;
            ++m_generation;
            m_allArrived.notify_all();
            return;
        }
        m_allArrived.wait(held, [&] { return m_generation != generation; });
    }

private:
    const int m_parties;
    std::mutex m_lock;
    std::condition_variable m_allArrived;
    int m_arrived = 0;
    unsigned m_generation = 0;
};

TEST_F(ConnectionPoints, RacingAdvisesAndUnadvisesLeaveOneConnection)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    for (const Owner& owner : owners()) {
        SCOPED_TRACE(owner.texts.owner);
        auto point = pointOf(owner.object, owner.texts.sinkIid);
        ASSERT_TRUE(point);
        std::vector<TestSink> sinks;
        for (int i = 0; i < kThreads; ++i) sinks.push_back(owner.makeSink());

        // Results per round and thread, looked at on this thread once the others are done.
        std::vector<HRESULT> advised(kRounds * kThreads), unadvised(kRounds * kThreads);
        Rendezvous step(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int round = 0; round < kRounds; ++round) {
                    DWORD cookie = 0;
                    step.arriveAndWait();
                    advised[round * kThreads + t] = point->Advise(sinks[t].unknown.get(), &cookie);
                    step.arriveAndWait();
                    unadvised[round * kThreads + t] = point->Unadvise(1);
                }
            });
        }
        for (auto& thread : threads) thread.join();

        for (int round = 0; round < kRounds; ++round) {
            int advises = 0, unadvises = 0;
            for (int t = 0; t < kThreads; ++t) {
                const HRESULT advise = advised[round * kThreads + t];
                const HRESULT unadvise = unadvised[round * kThreads + t];
                EXPECT_TRUE(advise == S_OK || advise == CONNECT_E_ADVISELIMIT) << advise;
                EXPECT_TRUE(unadvise == S_OK || unadvise == CONNECT_E_NOCONNECTION) << unadvise;
                advises += advise == S_OK;
                unadvises += unadvise == S_OK;
            }
            EXPECT_EQ(advises, 1) << "round " << round;
            EXPECT_EQ(unadvises, 1) << "round " << round;
        }
        for (const TestSink& sink : sinks) EXPECT_EQ(sink.references(), 1);
        EXPECT_EQ(point->Unadvise(1), CONNECT_E_NOCONNECTION);
    }
}

} // namespace
