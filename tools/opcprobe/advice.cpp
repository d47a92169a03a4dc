#include "advice.h"

#include "session.h"

namespace opcprobe {

Advice::Advice(IUnknown* owner, REFIID sinkIid, IUnknown* sink, const std::string& what)
{
    vetrel::ComPtr<IConnectionPointContainer> container;
    HRESULT hr = owner->QueryInterface(IID_IConnectionPointContainer, container.putVoid());
    if (FAILED(hr) || !container)
        throw ProbeFailure("Finding the connection points for " + what,
                           FAILED(hr) ? hr : E_POINTER);
    hr = container->FindConnectionPoint(sinkIid, m_point.put());
    if (FAILED(hr) || !m_point)
        throw ProbeFailure("Finding the connection point for " + what, FAILED(hr) ? hr : E_POINTER);
    hr = m_point->Advise(sink, &m_cookie);
    if (FAILED(hr)) throw ProbeFailure("Advising " + what, hr);
}

Advice::~Advice()
{
    m_point->Unadvise(m_cookie);
}

} // namespace opcprobe
