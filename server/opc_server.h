// OPCServer: the object one client connection receives from the class factory.
#pragma once

#include "vetrel/opc.h"

#include <atomic>
#include <string>

namespace vetrel {

class OPCServer final : public IUnknown
{
public:
    OPCServer();
    OPCServer(const OPCServer&) = delete;
    OPCServer& operator=(const OPCServer&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;

    // The runtime is unloading; the caller holds the runtime lock and has taken the server out
    // of the server list. The server lets go of everything and answers errors from now on;
    // its memory goes at the client's last Release.
    void detach() noexcept;

private:
    ~OPCServer() = default;
    friend class CVetrelApp;

    std::atomic<LONG> m_refCount{0};
    FILETIME m_creationTime{};
    std::atomic<bool> m_detached{false};
};

} // namespace vetrel
