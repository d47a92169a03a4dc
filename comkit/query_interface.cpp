#include "comkit/query_interface.h"

#include "comkit/interface_names.h"
#include "comkit/trace.h"

namespace vetrel {

HRESULT answerQueryInterface(const char* text, std::span<const InterfaceRow> rows, REFIID riid,
                             void** object, IUnknown& owner, bool refuse) noexcept
{
    if (!object) {
        trace("%s E_INVALIDARG", text);
        return E_INVALIDARG;
    }
    *object = nullptr;
    const InterfaceRow* match = nullptr;
    for (const InterfaceRow& row : rows) {
        if (IsEqualIID(riid, row.iid)) {
            match = &row;
            break;
        }
    }
    trace("%s%s", text, match ? match->suffix : unansweredInterfaceSuffix(riid));
    // An ended object still tells its identity, which COM needs to disconnect it.
    if (!match || !match->answer || (refuse && !IsEqualIID(riid, IID_IUnknown)))
        return E_NOINTERFACE;
    *object = match->answer;
    owner.AddRef();
    return S_OK;
}

} // namespace vetrel
