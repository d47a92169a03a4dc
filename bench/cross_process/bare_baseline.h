// The bare COM server of bare_com/ as the baseline of the cross-process benchmarks: it moves the
// payloads of the product's calls and does nothing else. Run them in a prefix where the bare
// server (bare_server.exe RegServer) and BareProxy.dll are registered besides the product's.
#pragma once

#include "bare_identity.h"
#include "bare_ref.h"

namespace bench {

// COM starts the bare server when needed; the calling thread is in the multithreaded
// apartment. Throws opcprobe::ProbeFailure.
BareRef<IBareServer> activateBareServer();

// A group of the bare server, as a client holds it; it is removed with the object.
class BareGroup
{
public:
    // Throws opcprobe::ProbeFailure.
    explicit BareGroup(IBareServer* server);
    ~BareGroup();
    BareGroup(const BareGroup&) = delete;
    BareGroup& operator=(const BareGroup&) = delete;

    IBareGroup* operator->() const noexcept { return m_group.get(); }
    IBareGroup* get() const noexcept { return m_group.get(); }

private:
    IBareServer* m_server;
    DWORD m_handle = 0;
    BareRef<IBareGroup> m_group;
};

} // namespace bench
