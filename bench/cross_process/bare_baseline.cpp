#include "bare_baseline.h"

#include "session.h"

namespace bench {

BareRef<IBareServer> activateBareServer()
{
    BareRef<IBareServer> server;
    const HRESULT hr = CoCreateInstance(kBareServerClass, nullptr, CLSCTX_LOCAL_SERVER,
                                        IID_IBareServer, server.putVoid());
    if (FAILED(hr)) throw opcprobe::ProbeFailure("Activating the bare server", hr);
    return server;
}

BareGroup::BareGroup(IBareServer* server) : m_server(server)
{
    DWORD revisedRate = 0;
    const wchar_t noName[] = L"";
    const HRESULT hr =
        server->AddGroup(noName, FALSE, 0, 0, nullptr, nullptr, 0, &m_handle, &revisedRate,
                         IID_IBareGroup, reinterpret_cast<IUnknown**>(m_group.put()));
    if (FAILED(hr)) throw opcprobe::ProbeFailure("Adding a bare group", hr);
}

BareGroup::~BareGroup()
{
    m_server->RemoveGroup(m_handle, FALSE);
}

} // namespace bench
