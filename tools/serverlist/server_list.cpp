#include "server_list.h"

#include "comkit/class_registry.h"
#include "comkit/client_text.h"
#include "comkit/com_boundary.h"
#include "comkit/registry_read.h"
#include "guid_enumerator.h"
#include "platform/task_mem.h"

#include <string>
#include <utility>
#include <vector>

namespace serverlist {

using vetrel::comBoundary;
using vetrel::ComPtr;
using vetrel::TaskMem;

namespace {

// The names of GetClassDetails for the client, all or none: a client told of no memory owns
// no strings.
HRESULT handOut(const std::vector<std::pair<const std::string*, LPOLESTR*>>& names)
{
    std::vector<TaskMem<WCHAR>> texts;
    for (const auto& [text, out] : names) {
        texts.push_back(TaskMem<WCHAR>::adopt(vetrel::toClientText(*text), text->size() + 1));
        if (!texts.back()) return E_OUTOFMEMORY;
    }
    size_t next = 0;
    for (const auto& name : names) *name.second = texts[next++].release();
    return S_OK;
}

} // namespace

ComPtr<OPCServerList> OPCServerList::create()
{
    return ComPtr<OPCServerList>(new OPCServerList);
}

HRESULT STDMETHODCALLTYPE OPCServerList::QueryInterface(REFIID riid, void** object) noexcept
{
    void* found = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOPCServerList2))
        found = static_cast<IOPCServerList2*>(this);
    else if (IsEqualIID(riid, IID_IOPCServerList))
        found = static_cast<IOPCServerList*>(this);
    return answer(found, object);
}

template <typename Enumerator>
HRESULT OPCServerList::enumerate(ULONG cImplemented, const GUID* rgcatidImpl, ULONG cRequired,
                                 const GUID* rgcatidReq, Enumerator** ppenumClsid) noexcept
{
    if (!ppenumClsid) return E_POINTER;
    *ppenumClsid = nullptr;
    return comBoundary([&] {
        vetrel::CategoryFilter filter;
        const HRESULT hr = vetrel::CategoryFilter::fromArguments(cImplemented, rgcatidImpl,
                                                                 cRequired, rgcatidReq, filter);
        if (FAILED(hr)) return hr;
        *ppenumClsid = GuidEnumerator::create(vetrel::classesAdmittedBy(filter)).detach();
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE OPCServerList::EnumClassesOfCategories(ULONG cImplemented,
                                                                 GUID* rgcatidImpl, ULONG cRequired,
                                                                 GUID* rgcatidReq,
                                                                 IEnumGUID** ppenumClsid) noexcept
{
    return enumerate(cImplemented, rgcatidImpl, cRequired, rgcatidReq, ppenumClsid);
}

HRESULT STDMETHODCALLTYPE
OPCServerList::EnumClassesOfCategories(ULONG cImplemented, GUID* rgcatidImpl, ULONG cRequired,
                                       GUID* rgcatidReq, IOPCEnumGUID** ppenumClsid) noexcept
{
    return enumerate(cImplemented, rgcatidImpl, cRequired, rgcatidReq, ppenumClsid);
}

HRESULT OPCServerList::describe(REFCLSID clsid, LPOLESTR* ppszProgID, LPOLESTR* ppszUserType,
                                LPOLESTR* ppszVerIndProgID) noexcept
{
    return comBoundary([&] {
        const auto details = vetrel::classDetails(clsid);
        if (!details) return REGDB_E_CLASSNOTREG;
        std::vector<std::pair<const std::string*, LPOLESTR*>> names = {
            {&details->progId, ppszProgID}, {&details->userType, ppszUserType}};
        if (ppszVerIndProgID)
            names.emplace_back(&details->versionIndependentProgId, ppszVerIndProgID);
        return handOut(names);
    });
}

HRESULT STDMETHODCALLTYPE OPCServerList::GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID,
                                                         LPOLESTR* ppszUserType) noexcept
{
    if (!ppszProgID || !ppszUserType) return E_POINTER;
    *ppszProgID = *ppszUserType = nullptr;
    return describe(clsid, ppszProgID, ppszUserType, nullptr);
}

HRESULT STDMETHODCALLTYPE OPCServerList::GetClassDetails(REFCLSID clsid, LPOLESTR* ppszProgID,
                                                         LPOLESTR* ppszUserType,
                                                         LPOLESTR* ppszVerIndProgID) noexcept
{
    if (!ppszProgID || !ppszUserType || !ppszVerIndProgID) return E_POINTER;
    *ppszProgID = *ppszUserType = *ppszVerIndProgID = nullptr;
    return describe(clsid, ppszProgID, ppszUserType, ppszVerIndProgID);
}

HRESULT STDMETHODCALLTYPE OPCServerList::CLSIDFromProgID(LPCOLESTR szProgId, LPCLSID clsid) noexcept
{
    if (!clsid) return E_POINTER;
    *clsid = CLSID_NULL;
    if (!szProgId) return E_INVALIDARG;
    return comBoundary([&] {
        const auto found = vetrel::classOfProgId(vetrel::fromClientText(szProgId));
        if (!found) return CO_E_CLASSSTRING;
        *clsid = *found;
        return S_OK;
    });
}

} // namespace serverlist
