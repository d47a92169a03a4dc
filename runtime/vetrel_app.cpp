#include "runtime/vetrel_app.h"

#include "events/event_broadcast.h"
#include "events/level_alarm.h"
#include "group/opc_group.h"
#include "platform/com_ptr.h"
#include "platform/process_end.h"
#include "runtime/class_factory.h"
#include "runtime/client_lane.h"
#include "runtime/host_callbacks.h"
#include "runtime/pending_disconnects.h"
#include "runtime/timestamp.h"
#include "runtime/trace.h"
#include "server/opc_server.h"
#include "server/shutdown_request.h"

#include <algorithm>
#include <exception>
#include <new>

namespace vetrel {
namespace {

// Constructs the runtime when the library loads and runs its unload when the library goes.
struct LibraryLifetime
{
    LibraryLifetime() { CVetrelApp::instance(); }
    ~LibraryLifetime() { CVetrelApp::instance().unload(); }
} libraryLifetime;

// How long a host's refresh or event waits for clients to take the calls it made, and after
// how long one call the client counts as frozen and is no longer waited for: well beyond what
// a live client takes on a loaded machine, as only the first wait on a frozen client pays it.
constexpr auto kHostWait = std::chrono::seconds(10);
constexpr auto kFrozenAfter = std::chrono::seconds(3);
// How long the clients have, together, to answer a request to disconnect.
constexpr auto kShutdownWait = std::chrono::seconds(3);
// How long the unload waits for the lanes' threads, which end once their current call
// returns: a frozen client's never does.
constexpr auto kLaneEndWait = std::chrono::seconds(1);

} // namespace

CVetrelApp& CVetrelApp::instance() noexcept
{
    // Constructed before the lifetime object above and so destroyed after its unload: the
    // runtime lock is the last thing to go.
    static CVetrelApp app;
    return app;
}

CVetrelApp::CVetrelApp() = default;
// Here, where the class factory is a complete type.
CVetrelApp::~CVetrelApp() = default;

bool CVetrelApp::start(REFCLSID clsid, DWORD rate)
{
    std::lock_guard starting(m_startLock);
    if (m_started) return false;

    const HRESULT joined = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    m_comInitialised = SUCCEEDED(joined);
    m_comThread = std::this_thread::get_id();
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_NONE,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);

    const auto fail = [this] {
        stopComponents();
        return false;
    };
    if (FAILED(CoGetMalloc(MEMCTX_TASK, m_taskAllocator.put()))) return fail();
    CoFileTimeNow(&m_startTime);

    m_factory = platform::ComPtr<ClassFactory>(new (std::nothrow) ClassFactory);
    if (!m_factory) return fail();
    if (!m_pins.pin(*m_factory.get())) return fail();
    if (FAILED(CoRegisterClassObject(clsid, m_factory.get(), CLSCTX_LOCAL_SERVER,
                                     REGCLS_MULTIPLEUSE, &m_factoryCookie)))
        return fail();

    m_serverRate = std::max(rate, kMinimumRate);
    // A host thread that already belongs to a single-threaded apartment keeps the ticks on
    // itself, delivered by its own message loop.
    m_timer = platform::Timer::start(
        m_serverRate, [this] { runScanTick(false); },
        m_comInitialised ? platform::TimerHome::OwnThread : platform::TimerHome::CallingThread);
    if (!m_timer) return fail();

    m_started = true;
    return true;
}

void CVetrelApp::stopServing() noexcept
{
    if (m_factoryCookie) CoRevokeClassObject(m_factoryCookie);
    m_factoryCookie = 0;
    m_timer.reset();
}

void CVetrelApp::stopComponents() noexcept
{
    stopServing();
    m_pins.release();
    m_factory.reset();
    m_taskAllocator.reset();
    // COM counts initialisations per thread: only the thread that joined may leave.
    if (m_comInitialised && m_comThread == std::this_thread::get_id()) CoUninitialize();
    m_comInitialised = false;
}

void CVetrelApp::unload() noexcept
{
    std::lock_guard starting(m_startLock);
    // No new clients, no more scans, before anything they could reach goes away.
    stopServing();
    // A client may release its server inside the request: only servers still listed after
    // it are detached below.
    askClientsBeforeUnload();

    {
        PendingDisconnects disconnects;
        auto held = lock();
        // Clients may still hold references: the servers turn inert and go at their last
        // Release, which no longer finds them listed.
        for (OPCServer* server : m_servers) server->detach(disconnects);
        m_servers.clear();
        m_tags.clear();
    }
    // A lane's thread runs the library's code until it ends, so the library must not go
    // first; at the process's end the system has stopped those threads already.
    if (!platform::processIsEnding()) waitForLaneThreads(kLaneEndWait);
    stopComponents();
    m_started = false;
}

DWORD CVetrelApp::addTag(std::string_view name, const VARIANT& value, WORD quality, bool writable)
{
    auto held = lock();
    return m_tags.add(name, value, quality, writable);
}

bool CVetrelApp::removeTag(DWORD handle)
{
    auto held = lock();
    OPCTag* tag = m_tags.fromHandle(handle);
    if (!tag) return false;
    m_tags.remove(tag);
    return true;
}

void CVetrelApp::pushTagUpdate(OPCTag& tag, const VARIANT& value, WORD quality,
                               const FILETIME& timestamp)
{
    tag.m_value = Variant(value);
    tag.m_quality = quality;
    tag.m_timestamp = timestamp;
    m_followers.forEachFollower(tag.m_name, [&tag](OPCItem& item) {
        item.followTag(tag, item.m_group->state().percentDeadband);
    });
}

bool CVetrelApp::updateTagValue(DWORD handle, const VARIANT& value, WORD quality,
                                const FILETIME* timestamp)
{
    DeliveryWaits waits(DeliveryWaits::Busy::DoNotWait);
    {
        auto held = lock();
        OPCTag* tag = m_tags.fromHandle(handle);
        if (!tag) return false;
        try {
            pushTagUpdate(*tag, value, quality,
                          timestamp ? hostFileTime(*timestamp) : currentFileTime());
        } catch (const std::exception&) {
            // Out of memory, or a value that cannot be copied.
            return false;
        }
        if (const auto event = evaluateLevelAlarm(*tag)) broadcastEvent(m_servers, *event, waits);
    }
    waits.wait(kHostWait, kFrozenAfter);
    return true;
}

void CVetrelApp::broadcastUserMessage(std::string_view message, DWORD severity) noexcept
{
    DeliveryWaits waits(DeliveryWaits::Busy::DoNotWait);
    try {
        auto held = lock();
        broadcastEvent(m_servers, userMessageRecord(message, severity), waits);
    } catch (const std::bad_alloc&) {
        // Without memory for the event no one is told.
    }
    waits.wait(kHostWait, kFrozenAfter);
}

bool CVetrelApp::updateTagValueByName(std::string_view name, const VARIANT& value, WORD quality)
{
    auto held = lock();
    try {
        OPCTag* tag = m_tags.find({}, name);
        if (!tag) return false;
        pushTagUpdate(*tag, value, quality, currentFileTime());
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void CVetrelApp::writeTagByName(std::string_view name, const VARIANT& value)
{
    auto held = lock();
    OPCTag* tag = m_tags.find({}, name);
    if (!tag) return;
    tag->m_value = Variant(value);
    // With the lock held, as hosts expect: a host may call back into the tag functions.
    if (const auto notify = hostCallbacks().writeNotification.load()) notify(tag->m_tagHandle);
}

bool CVetrelApp::readTagValue(DWORD handle, VARIANT* value)
{
    auto held = lock();
    const OPCTag* tag = m_tags.fromHandle(handle);
    if (!tag || !value) return false;
    return SUCCEEDED(VariantCopy(value, const_cast<VARIANT*>(&tag->m_value.get())));
}

bool CVetrelApp::setTagTexts(DWORD handle, std::string_view description, std::string_view euUnits)
{
    auto held = lock();
    OPCTag* tag = m_tags.fromHandle(handle);
    if (!tag) return false;
    try {
        std::string newDescription(description);
        tag->m_euUnits = euUnits;
        tag->m_description = std::move(newDescription);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

LevelLimit* CVetrelApp::levelLimitOf(DWORD handle, int level) noexcept
{
    if (level < 1 || level > 4) return nullptr;
    OPCTag* tag = m_tags.fromHandle(handle);
    return tag ? &tag->m_limits[level - 1] : nullptr;
}

bool CVetrelApp::setLevelLimit(DWORD handle, int level, const LevelLimit& limit)
{
    auto held = lock();
    LevelLimit* stored = levelLimitOf(handle, level);
    if (stored) *stored = limit;
    return stored != nullptr;
}

bool CVetrelApp::getLevelLimit(DWORD handle, int level, LevelLimit& limit)
{
    auto held = lock();
    const LevelLimit* stored = levelLimitOf(handle, level);
    if (stored) limit = *stored;
    return stored != nullptr;
}

void CVetrelApp::runScanTick(bool force) noexcept
{
    // The timer's tick never waits: a frozen client must not hold up the others' next tick.
    DeliveryWaits waits;
    {
        auto held = lock();
        const DWORD rate = serverRate();
        for (OPCServer* server : m_servers)
            server->scan(rate, force, m_scanScratch, force ? &waits : nullptr);
    }
    waits.wait(kHostWait, kFrozenAfter);
}

int CVetrelApp::requestDisconnect() noexcept
{
    DeliveryWaits waits;
    // The connection number of each client asked, and the mark its request was posted under.
    std::vector<std::pair<unsigned, std::uint64_t>> asked;
    int servers = 0;
    try {
        auto held = lock();
        servers = static_cast<int>(m_servers.size());
        asked.reserve(m_servers.size());
        for (OPCServer* server : m_servers) {
            ClientDeliveries due;
            if (auto sink = server->shutdownSink()) prepareShutdownRequest(std::move(sink), due);
            if (!due.empty())
                asked.emplace_back(server->connectionNumber(), server->lane().post(due, &waits));
        }
    } catch (const std::bad_alloc&) {
        // Without memory the clients reached so far are asked.
    }
    waits.wait(kShutdownWait, kShutdownWait);
    for (const auto& [connection, mark] : asked) {
        bool unanswered = false;
        {
            auto held = lock();
            OPCServer* server = listedServer(connection);
            unanswered = server && !server->lane().madeAll(mark);
        }
        // A client that cannot even take the request would keep the host from ending.
        if (unanswered)
            dropConnection(connection, "IOPCShutdown::ShutdownRequest not taken in time", true);
    }
    return servers;
}

void CVetrelApp::askClientsBeforeUnload() noexcept
{
    ClientDeliveries due;
    try {
        auto held = lock();
        // A client already inside a call (frozen, or its lane stopped by the process's end)
        // would hold up the unload: it is not asked again.
        for (OPCServer* server : m_servers)
            if (auto sink = server->shutdownSink(); sink && server->lane().idle())
                prepareShutdownRequest(std::move(sink), due);
    } catch (const std::bad_alloc&) {
        // Without memory the clients collected so far are asked.
    }
    // From this thread: an unloading library cannot count on starting threads.
    assertLockNotHeld();
    for (const auto& request : due) request->send();
}

OPCServer* CVetrelApp::listedServer(unsigned connection) const noexcept
{
    assertLockHeld();
    const auto listed = std::find_if(m_servers.begin(), m_servers.end(), [&](OPCServer* server) {
        return server->connectionNumber() == connection;
    });
    return listed == m_servers.end() ? nullptr : *listed;
}

void CVetrelApp::dropConnection(unsigned connection, const char* reason, bool frozen) noexcept
{
    PendingDisconnects disconnects;
    std::vector<ItemRemovalNotice> removals;
    {
        auto held = lock();
        OPCServer* server = listedServer(connection);
        if (!server) return;
        std::erase(m_servers, server);
        trace("Client connection %u dropped: %s", connection, reason);
        server->detach(disconnects, &removals);
    }
    tellHostOfRemovals(removals);
    if (frozen) disconnects.runElsewhere();
}

void CVetrelApp::resetServerRate(DWORD rate)
{
    m_serverRate = std::max(rate, kMinimumRate);
    std::lock_guard starting(m_startLock);
    if (m_timer) m_timer->setPeriod(m_serverRate);
}

HRESULT CVetrelApp::addServer(REFIID riid, void** object)
{
    auto* server = new (std::nothrow) OPCServer;
    if (!server) return E_OUTOFMEMORY;
    const HRESULT hr = server->QueryInterface(riid, object);
    if (FAILED(hr)) {
        delete server;
        return hr;
    }
    try {
        auto held = lock();
        m_servers.push_back(server);
    } catch (const std::bad_alloc&) {
        *object = nullptr;
        delete server;
        return E_OUTOFMEMORY;
    }
    return hr;
}

bool CVetrelApp::removeServer(OPCServer* server)
{
    auto held = lock();
    const auto listed = std::find(m_servers.begin(), m_servers.end(), server);
    if (listed == m_servers.end()) return false;
    m_servers.erase(listed);
    return true;
}

int CVetrelApp::serverCount()
{
    auto held = lock();
    return static_cast<int>(m_servers.size());
}

std::string CVetrelApp::vendorText()
{
    auto held = lock();
    return m_vendorText;
}

bool CVetrelApp::setVendorText(std::string_view vendor)
{
    auto held = lock();
    try {
        m_vendorText = vendor;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

} // namespace vetrel
