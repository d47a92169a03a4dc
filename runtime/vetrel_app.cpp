#include "runtime/vetrel_app.h"

#include "comkit/client_lane.h"
#include "comkit/host_callbacks.h"
#include "comkit/pending_disconnects.h"
#include "comkit/runtime_lock.h"
#include "comkit/trace.h"
#include "events/level_alarm.h"
#include "group/item_index.h"
#include "group/opc_group.h"
#include "group/update_rate.h"
#include "platform/com_ptr.h"
#include "platform/process_end.h"
#include "runtime/class_factory.h"
#include "server/event_broadcast.h"
#include "server/group_list.h"
#include "server/opc_server.h"
#include "server/runtime_status.h"
#include "server/server_list.h"
#include "server/shutdown_request.h"
#include "tags/tag_tree.h"
#include "tags/timestamp.h"

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
    // Constructed before the lifetime object above and so destroyed after its unload.
    static CVetrelApp app;
    return app;
}

CVetrelApp::CVetrelApp()
{
    // The tables of the layers are made here, before the lifetime object above, so that they
    // outlive its unload; the runtime lock first of all, so that it is the last to go.
    auto held = holdRuntimeLock();
    tagTree();
    followers();
    groupHandles();
    listedServers();
    runtimeStatus();
}
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
    {
        auto held = holdRuntimeLock();
        CoFileTimeNow(&runtimeStatus().startTime);
    }

    m_factory = ComPtr<ClassFactory>(new (std::nothrow) ClassFactory);
    if (!m_factory) return fail();
    if (!m_pins.pin(*m_factory.get())) return fail();
    if (FAILED(CoRegisterClassObject(clsid, m_factory.get(), CLSCTX_LOCAL_SERVER,
                                     REGCLS_MULTIPLEUSE, &m_factoryCookie)))
        return fail();

    const DWORD serverRate = setServerRate(rate);
    // A host thread that already belongs to a single-threaded apartment keeps the ticks on
    // itself, delivered by its own message loop.
    m_timer = platform::Timer::start(
        serverRate, [this] { runScanTick(false); },
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
    // At the process's end the system has stopped every other thread wherever it was. One
    // stopped inside a lock of the runtime (a scan, a host's write notification) holds it for
    // good, and what the lock guards may be half changed: all of it goes with the process.
    const bool ending = platform::processIsEnding();
    std::unique_lock starting(m_startLock, std::defer_lock);
    if (!ending)
        starting.lock();
    else if (!starting.try_lock())
        return;
    // No new clients, no more scans, before anything they could reach goes away.
    stopServing();
    if (ending && !RuntimeHold(runtimeLock(), std::try_to_lock).owns_lock()) {
        stopComponents();
        m_started = false;
        return;
    }
    // A client may release its server inside the request: only servers still listed after
    // it are detached below.
    askClientsBeforeUnload();

    {
        PendingDisconnects disconnects;
        auto held = holdRuntimeLock();
        // Clients may still hold references: the servers turn inert and go at their last
        // Release, which no longer finds them listed.
        for (OPCServer* server : listedServers().all()) server->detach(disconnects);
        listedServers().clear();
        tagTree().clear();
    }
    // A lane's thread runs the library's code until it ends, so the library must not go
    // first; at the process's end the system has stopped those threads already.
    if (!platform::processIsEnding()) waitForLaneThreads(kLaneEndWait);
    stopComponents();
    m_started = false;
}

DWORD CVetrelApp::addTag(std::string_view name, const VARIANT& value, WORD quality, bool writable)
{
    auto held = holdRuntimeLock();
    const DWORD handle = tagTree().add(name, value, quality, writable);
    if (OPCTag* tag = tagTree().fromHandle(handle)) followers().linkTag(*tag);
    return handle;
}

bool CVetrelApp::removeTag(DWORD handle)
{
    auto held = holdRuntimeLock();
    OPCTag* tag = tagTree().fromHandle(handle);
    if (!tag) return false;
    tagTree().remove(tag);
    return true;
}

void CVetrelApp::pushTagUpdate(OPCTag& tag, const VARIANT& value, WORD quality,
                               const FILETIME& timestamp)
{
    tag.m_value = Variant(value);
    tag.m_quality = quality;
    tag.m_timestamp = timestamp;
    forEachFollower(tag,
                    [&tag](OPCItem& item) { item.followTag(tag, item.m_group->deadbandOf(item)); });
}

bool CVetrelApp::updateTagValue(DWORD handle, const VARIANT& value, WORD quality,
                                const FILETIME* timestamp)
{
    DeliveryWaits waits(DeliveryWaits::Busy::DoNotWait);
    {
        auto held = holdRuntimeLock();
        OPCTag* tag = tagTree().fromHandle(handle);
        if (!tag) return false;
        try {
            pushTagUpdate(*tag, value, quality,
                          timestamp ? hostFileTime(*timestamp) : currentFileTime());
        } catch (const std::exception&) {
            // Out of memory, or a value that cannot be copied.
            return false;
        }
        if (const auto event = evaluateLevelAlarm(*tag))
            broadcastEvent(listedServers().all(), *event, waits);
    }
    waits.wait(kHostWait, kFrozenAfter);
    return true;
}

void CVetrelApp::broadcastUserMessage(std::string_view message, DWORD severity) noexcept
{
    DeliveryWaits waits(DeliveryWaits::Busy::DoNotWait);
    try {
        auto held = holdRuntimeLock();
        broadcastEvent(listedServers().all(), userMessageRecord(message, severity), waits);
    } catch (const std::bad_alloc&) {
        // Without memory for the event no one is told.
    }
    waits.wait(kHostWait, kFrozenAfter);
}

bool CVetrelApp::updateTagValueByName(std::string_view name, const VARIANT& value, WORD quality)
{
    auto held = holdRuntimeLock();
    try {
        OPCTag* tag = tagTree().find(name);
        if (!tag) return false;
        pushTagUpdate(*tag, value, quality, currentFileTime());
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool CVetrelApp::readTagValue(DWORD handle, VARIANT* value)
{
    auto held = holdRuntimeLock();
    const OPCTag* tag = tagTree().fromHandle(handle);
    if (!tag || !value) return false;
    return SUCCEEDED(VariantCopy(value, const_cast<VARIANT*>(&tag->m_value.get())));
}

bool CVetrelApp::setTagTexts(DWORD handle, std::string_view description, std::string_view euUnits)
{
    auto held = holdRuntimeLock();
    OPCTag* tag = tagTree().fromHandle(handle);
    if (!tag) return false;
    try {
        TagDetails& details = tag->ensureDetails();
        std::string newDescription(description);
        details.euUnits = euUnits;
        details.description = std::move(newDescription);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

OPCTag* CVetrelApp::limitedTag(DWORD handle, int level) noexcept
{
    if (level < 1 || level > 4) return nullptr;
    return tagTree().fromHandle(handle);
}

bool CVetrelApp::setLevelLimit(DWORD handle, int level, const LevelLimit& limit)
{
    auto held = holdRuntimeLock();
    OPCTag* tag = limitedTag(handle, level);
    if (!tag) return false;
    try {
        tag->ensureDetails().limits[level - 1] = limit;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CVetrelApp::getLevelLimit(DWORD handle, int level, LevelLimit& limit)
{
    auto held = holdRuntimeLock();
    const OPCTag* tag = limitedTag(handle, level);
    if (tag) limit = tag->levelLimit(static_cast<AlarmLevel>(level));
    return tag != nullptr;
}

void CVetrelApp::runScanTick(bool force) noexcept
{
    // The timer's tick never waits: a frozen client must not hold up the others' next tick.
    DeliveryWaits waits;
    {
        auto held = holdRuntimeLock();
        const DWORD rate = serverRate();
        for (OPCServer* server : listedServers().all())
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
        auto held = holdRuntimeLock();
        const auto servedNow = listedServers().all();
        servers = static_cast<int>(servedNow.size());
        asked.reserve(servedNow.size());
        for (OPCServer* server : servedNow) {
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
            auto held = holdRuntimeLock();
            OPCServer* server = listedServers().find(connection);
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
        auto held = holdRuntimeLock();
        // A client already inside a call (frozen, or its lane stopped by the process's end)
        // would hold up the unload: it is not asked again.
        for (OPCServer* server : listedServers().all())
            if (auto sink = server->shutdownSink(); sink && server->lane().idle())
                prepareShutdownRequest(std::move(sink), due);
    } catch (const std::bad_alloc&) {
        // Without memory the clients collected so far are asked.
    }
    // From this thread: an unloading library cannot count on starting threads.
    assertLockNotHeld();
    for (const auto& request : due) request->send();
}

void CVetrelApp::resetServerRate(DWORD rate)
{
    const DWORD serverRate = setServerRate(rate);
    std::lock_guard starting(m_startLock);
    if (m_timer) m_timer->setPeriod(serverRate);
}

int CVetrelApp::serverCount()
{
    auto held = holdRuntimeLock();
    return static_cast<int>(listedServers().all().size());
}

bool CVetrelApp::setVendorText(std::string_view vendor)
{
    auto held = holdRuntimeLock();
    try {
        runtimeStatus().vendorText = vendor;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

} // namespace vetrel
