#include "runtime/vetrel_app.h"

#include "events/event_broadcast.h"
#include "events/level_alarm.h"
#include "group/opc_group.h"
#include "platform/com_ptr.h"
#include "runtime/class_factory.h"
#include "runtime/host_callbacks.h"
#include "runtime/pending_disconnects.h"
#include "runtime/timestamp.h"
#include "server/opc_server.h"

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

} // namespace

CVetrelApp& CVetrelApp::instance() noexcept
{
    // Constructed before the lifetime object above and so destroyed after its unload: the
    // runtime lock is the last thing to go.
    static CVetrelApp app;
    return app;
}

CVetrelApp::CVetrelApp() = default;

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
    if (FAILED(CoGetMalloc(MEMCTX_TASK, &m_taskAllocator))) return fail();
    CoFileTimeNow(&m_startTime);

    m_factory = new (std::nothrow) ClassFactory;
    if (!m_factory) return fail();
    m_factory->AddRef();
    if (!m_pins.pin(*m_factory)) return fail();
    if (FAILED(CoRegisterClassObject(clsid, m_factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                     &m_factoryCookie)))
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
    if (m_factory) m_factory->Release();
    m_factory = nullptr;
    if (m_taskAllocator) m_taskAllocator->Release();
    m_taskAllocator = nullptr;
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
    requestDisconnect();

    {
        PendingDisconnects disconnects;
        auto held = lock();
        // Clients may still hold references: the servers turn inert and go at their last
        // Release, which no longer finds them listed.
        for (OPCServer* server : m_servers) server->detach(disconnects);
        m_servers.clear();
        m_tags.clear();
    }
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

void CVetrelApp::pushTagUpdate(OPCTag& tag, const VARIANT& value, WORD quality, int64_t timestamp)
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
    {
        auto held = lock();
        OPCTag* tag = m_tags.fromHandle(handle);
        if (!tag) return false;
        try {
            pushTagUpdate(*tag, value, quality,
                          timestamp ? fileTimeToTimestamp(*timestamp) : currentTimestamp());
        } catch (const std::exception&) {
            // Out of memory, or a value that cannot be copied.
            return false;
        }
        if (const auto event = evaluateLevelAlarm(*tag))
            broadcastEvent(m_servers, *event, m_events);
    }
    // Sinks are called with the runtime lock released: they may call back into the server.
    m_events.deliver();
    return true;
}

void CVetrelApp::broadcastUserMessage(std::string_view message, DWORD severity) noexcept
{
    try {
        auto held = lock();
        broadcastEvent(m_servers, userMessageRecord(message, severity), m_events);
    } catch (const std::bad_alloc&) {
        // Without memory for the event no one is told.
    }
    m_events.deliver();
}

bool CVetrelApp::updateTagValueByName(std::string_view name, const VARIANT& value, WORD quality)
{
    auto held = lock();
    try {
        OPCTag* tag = m_tags.find({}, name);
        if (!tag) return false;
        pushTagUpdate(*tag, value, quality, currentTimestamp());
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
    std::lock_guard ticking(m_tickLock);
    ClientDeliveries due;
    try {
        auto held = lock();
        const DWORD rate = serverRate();
        for (OPCServer* server : m_servers) server->scan(rate, force, m_scanScratch, due);
    } catch (const std::bad_alloc&) {
        // Without memory the tick ends early; what was prepared is still delivered.
    }
    for (const auto& delivery : due) delivery->send();
}

int CVetrelApp::requestDisconnect() noexcept
{
    std::vector<platform::ComPtr<IOPCShutdown>> sinks;
    int servers = 0;
    try {
        auto held = lock();
        servers = static_cast<int>(m_servers.size());
        for (const OPCServer* server : m_servers)
            if (auto sink = server->shutdownSink()) sinks.push_back(std::move(sink));
    } catch (const std::bad_alloc&) {
        // Without memory the clients collected so far are asked.
    }
    // Not every transport can carry an absent reason: the request has an empty one.
    static const WCHAR noReason[] = {0};
    for (const auto& sink : sinks) sink->ShutdownRequest(noReason);
    return servers;
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
