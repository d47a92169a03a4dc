#include "comkit/interface_names.h"

namespace vetrel {

const char* unansweredInterfaceSuffix(REFIID riid) noexcept
{
    struct Entry
    {
        const IID& iid;
        const char* suffix;
    };
    // Compared in this order; the first match names the interface.
    static const Entry kWellKnown[] = {
        {IID_IClassFactory, " IID_IClassFactory"},
        {IID_IMalloc, " IID_IMalloc"},
        {IID_IMarshal, " IID_IMarshal"},
        {IID_IRpcChannel, " IID_IRpcChannel"},
        {IID_IMoniker, " IID_IMoniker"},
        {IID_IRpcStub, " IID_IRpcStub"},
        {IID_IStubManager, " IID_IStubManager"},
        {IID_IRpcProxy, " IID_IRpcProxy"},
        {IID_IProxyManager, " IID_IProxyManager"},
        {IID_IInternalMoniker, " IID_IInternalMoniker"},
        {IID_IMessageFilter, " IID_IMessageFilter"},
        {IID_IStdMarshalInfo, " IID_IStdMarshalInfo"},
        {IID_IRpcProxyBuffer, " IID_IRpcProxyBuffer"},
        {IID_IRpcStubBuffer, " IID_IRpcStubBuffer"},
        {IID_IRpcChannelBuffer, " IID_IRpcChannelBuffer"},
        {IID_IExternalConnection, " IID_IExternalConnection"},
        {CLSID_StdMarshal, " CLSID_StdMarshal"},
    };
    for (const Entry& entry : kWellKnown)
        if (IsEqualIID(riid, entry.iid)) return entry.suffix;
    return "";
}

} // namespace vetrel
