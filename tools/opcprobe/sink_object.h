// SinkObject: the COM identity of a callback object the probe hands to a server. Servers call
// and release it on threads of their choosing; it answers IUnknown and its one callback
// interface.
#pragma once

#include "comkit/ref_counted.h"

namespace opcprobe {

template <typename Interface> class SinkObject : public vetrel::RefCounted<Interface>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override
    {
        const bool known = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, m_iid);
        return this->answer(known ? static_cast<Interface*>(this) : nullptr, object);
    }

protected:
    explicit SinkObject(const IID& iid) noexcept : m_iid(iid) {}

private:
    const IID& m_iid;
};

} // namespace opcprobe
