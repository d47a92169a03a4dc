// The IOPCItemIO object of a server: reads and writes of tags named by item ID, without a group.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCServer;

inline constexpr ForwardingTraces kItemIOTraces{
    "IOPCItemIO::AddRef() [defered to OPCServer]",
    "IOPCItemIO::Release() [defered to OPCServer]",
    "IOPCItemIO::QueryInterface() [defered to OPCServer]",
};

class IOPCItemIOObject final : public InterfaceObject<IOPCItemIO, OPCServer, kItemIOTraces>
{
public:
    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE Read(DWORD dwCount, LPCWSTR* pszItemIDs, DWORD* pdwMaxAge,
                                   VARIANT** ppvValues, WORD** ppwQualities,
                                   FILETIME** ppftTimeStamps, HRESULT** ppErrors) noexcept override;
    HRESULT STDMETHODCALLTYPE WriteVQT(DWORD dwCount, LPCWSTR* pszItemIDs, OPCITEMVQT* pItemVQT,
                                       HRESULT** ppErrors) noexcept override;
};

} // namespace vetrel
