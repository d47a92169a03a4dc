// OPCServerList: the object a client of the server-list class gets, with IOPCServerList and
// IOPCServerList2 over the classes registered in HKEY_CLASSES_ROOT. A null pointer where a
// method writes its answer gives E_POINTER; a bad input value gives E_INVALIDARG.
#pragma once

#include "platform/com_ptr.h"
#include "served_object.h"
#include "vetrel/opc.h"

namespace serverlist {

class OPCServerList final : public ServedObject<IOPCServerList, IOPCServerList2>
{
public:
    // One reference, for the caller. Throws std::bad_alloc.
    static vetrel::ComPtr<OPCServerList> create();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;

    // The classes, in the registry's order, that implement at least one category of
    // rgcatidImpl and require none outside rgcatidReq. A count of (ULONG)-1 lifts its list,
    // for a client in this process: a proxy refuses such a count as array bounds.
    HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, GUID* rgcatidImpl,
                                                      ULONG cRequired, GUID* rgcatidReq,
                                                      IEnumGUID** ppenumClsid) noexcept override;
    HRESULT STDMETHODCALLTYPE EnumClassesOfCategories(ULONG cImplemented, GUID* rgcatidImpl,
                                                      ULONG cRequired, GUID* rgcatidReq,
                                                      IOPCEnumGUID** ppenumClsid) noexcept override;
    // REGDB_E_CLASSNOTREG for a class without a key; a name its key lacks is empty text.
    HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID,
                                              LPOLESTR* ppszUserType) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID,
                                              LPOLESTR* ppszUserType,
                                              LPOLESTR* ppszVerIndProgID) noexcept override;
    // CO_E_CLASSSTRING for a ProgID that names no class, as CLSIDFromProgID answers.
    HRESULT STDMETHODCALLTYPE CLSIDFromProgID(LPCOLESTR szProgId, LPCLSID clsid) noexcept override;

private:
    OPCServerList() noexcept = default;

    template <typename Enumerator>
    HRESULT enumerate(ULONG cImplemented, const GUID* rgcatidImpl, ULONG cRequired,
                      const GUID* rgcatidReq, Enumerator** ppenumClsid) noexcept;

    // GetClassDetails of either interface; ppszVerIndProgID is null for IOPCServerList's.
    HRESULT describe(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType,
                     LPOLESTR* ppszVerIndProgID) noexcept;
};

} // namespace serverlist
