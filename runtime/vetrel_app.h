// CVetrelApp: the one runtime object, from library load to unload. It owns the class object
// registration and the scan timer, and runs the host's operations over the tags, the servers
// and their groups, whose tables belong to their own layers.
#pragma once

#include "platform/com_ptr.h"
#include "platform/timer.h"
#include "runtime/interface_pins.h"
#include "tags/opc_tag.h"

#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace vetrel {

class ClassFactory;
class OPCItem;

class CVetrelApp
{
public:
    static CVetrelApp& instance() noexcept;

    // Starts COM, the class object for clsid and the scan timer; FALSE when already started or
    // when any step fails, in which case every earlier step is undone.
    bool start(REFCLSID clsid, DWORD rate);
    // Ends everything start began and everything clients left behind, in an order that lets
    // no thread reach a destroyed object.
    void unload() noexcept;

    // Tags: the host's operations, each taking the runtime lock.
    DWORD addTag(std::string_view name, const VARIANT& value, WORD quality, bool writable);
    bool removeTag(DWORD handle);
    // An update by handle also evaluates the tag's level alarm; the event of a new level is
    // delivered once the runtime lock is released.
    bool updateTagValue(DWORD handle, const VARIANT& value, WORD quality,
                        const FILETIME* timestamp);
    // No level alarm: only updates by handle evaluate it.
    bool updateTagValueByName(std::string_view name, const VARIANT& value, WORD quality);
    bool readTagValue(DWORD handle, VARIANT* value);
    // False for a tag that is not live, or without memory (the texts stay as they were).
    bool setTagTexts(DWORD handle, std::string_view description, std::string_view euUnits);
    bool setLevelLimit(DWORD handle, int level, const LevelLimit& limit);
    bool getLevelLimit(DWORD handle, int level, LevelLimit& limit);

    // One scan of every server: queued requests first, then the groups that are due (all of
    // them when forced). The calls into clients are made from each connection's lane once
    // the runtime lock is released; a forced scan waits, with a bound, until they are made.
    void runScanTick(bool force) noexcept;
    // Asks every client that advised a shutdown sink to disconnect, all at once, and waits
    // until each has answered or a few seconds have passed; a client that has not taken the
    // request by then (it is frozen) loses its connection. The number of servers.
    int requestDisconnect() noexcept;
    void resetServerRate(DWORD rate);

    // The host's message as a simple event to every subscription of every server. Delivered
    // before the call returns, unless a client takes long to take it or is inside another
    // call meanwhile: its lane then delivers it after that call.
    void broadcastUserMessage(std::string_view message, DWORD severity) noexcept;

    int serverCount();

    // False, with the text unchanged, when there is no memory for it.
    bool setVendorText(std::string_view vendor);

private:
    CVetrelApp();
    ~CVetrelApp();

    // No new clients and no more scans: revokes the class object and stops the timer.
    void stopServing() noexcept;
    // The unload's last request to the clients to disconnect.
    void askClientsBeforeUnload() noexcept;
    // Undoes every start-up step.
    void stopComponents() noexcept;
    // The live tag of handle when level is 1 to 4; null otherwise. The caller holds the lock.
    OPCTag* limitedTag(DWORD handle, int level) noexcept;
    // Value, quality and timestamp into the tag and into every item that follows it.
    void pushTagUpdate(OPCTag& tag, const VARIANT& value, WORD quality, const FILETIME& timestamp);

    // Room for the changed items of one group, kept from tick to tick.
    std::vector<OPCItem*> m_scanScratch;
    // Start, unload and rate changes; recursive because a host's shutdown sink may change the
    // rate from inside the unload's disconnect request.
    std::recursive_mutex m_startLock;
    bool m_started = false;
    bool m_comInitialised = false;
    std::thread::id m_comThread;
    ComPtr<IMalloc> m_taskAllocator;
    ComPtr<ClassFactory> m_factory;
    DWORD m_factoryCookie = 0;
    ServedInterfacePins m_pins;
    std::unique_ptr<platform::Timer> m_timer;
};

} // namespace vetrel
