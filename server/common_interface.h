// The IOPCCommon object of a server: the one supported locale and the client's name. Its
// methods send no trace lines.
#pragma once

#include "comkit/interface_object.h"
#include "vetrel/opc.h"

namespace vetrel {

class OPCServer;

inline constexpr ForwardingTraces kCommonTraces{
    "IOPCCommon::AddRef() [defered to OPCServer]",
    "IOPCCommon::Release() [defered to OPCServer]",
    "IOPCCommon::QueryInterface()  [defered to OPCServer]",
};

class IOPCCommonObject final : public InterfaceObject<IOPCCommon, OPCServer, kCommonTraces>
{
public:
    // LOCALE_SYSTEM_DEFAULT: the only locale the server speaks.
    static constexpr LCID kSupportedLocale = 2048;

    using InterfaceObject::InterfaceObject;

    HRESULT STDMETHODCALLTYPE SetLocaleID(LCID dwLcid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetLocaleID(LCID* pdwLcid) noexcept override;
    HRESULT STDMETHODCALLTYPE QueryAvailableLocaleIDs(DWORD* pdwCount,
                                                      LCID** pdwLcid) noexcept override;
    HRESULT STDMETHODCALLTYPE GetErrorString(HRESULT dwError, LPWSTR* ppString) noexcept override;
    HRESULT STDMETHODCALLTYPE SetClientName(LPCWSTR szName) noexcept override;
};

} // namespace vetrel
