#include "runtime/interface_pins.h"

#include "vetrel/opc.h"

#include <array>

namespace vetrel {
namespace {

// What servers, groups, event subscriptions, connection points and enumerators answer to.
constexpr std::array<const IID*, 20> kServedInterfaces{
    &IID_IUnknown,
    &IID_IOPCServer,
    &IID_IOPCCommon,
    &IID_IOPCBrowseServerAddressSpace,
    &IID_IOPCItemProperties,
    &IID_IOPCEventServer,
    &IID_IConnectionPointContainer,
    &IID_IOPCGroupStateMgt,
    &IID_IOPCItemMgt,
    &IID_IOPCSyncIO,
    &IID_IOPCAsyncIO,
    &IID_IOPCAsyncIO2,
    &IID_IDataObject,
    &IID_IOPCEventSubscriptionMgt,
    &IID_IConnectionPoint,
    &IID_IEnumConnectionPoints,
    &IID_IEnumConnections,
    &IID_IEnumUnknown,
    &IID_IEnumString,
    &IID_IEnumOPCItemAttributes,
};

// The object that holds those interfaces' registrations. Its marshalled references stay in the
// pins' streams, so no client ever reaches it and no method past IUnknown is ever called; each
// would answer E_NOTIMPL. Under the x64 calling convention the caller removes the arguments, so
// one function serves every slot whatever the interface's parameters.
struct StandIn
{
    const void* const* table;
};

HRESULT STDMETHODCALLTYPE standInQueryInterface(StandIn* self, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    for (const IID* served : kServedInterfaces)
        if (IsEqualIID(riid, *served)) *object = self;
    return *object ? S_OK : E_NOINTERFACE;
}

// Static: the stand-in lives as long as the library.
ULONG STDMETHODCALLTYPE standInAddRef(StandIn*)
{
    return 2;
}

ULONG STDMETHODCALLTYPE standInRelease(StandIn*)
{
    return 1;
}

HRESULT STDMETHODCALLTYPE standInMethod(StandIn*)
{
    return E_NOTIMPL;
}

// More slots than the longest served interface has methods.
constexpr size_t kSlots = 32;

const std::array<const void*, kSlots> kStandInTable = [] {
    std::array<const void*, kSlots> table{};
    table.fill(reinterpret_cast<const void*>(&standInMethod));
    table[0] = reinterpret_cast<const void*>(&standInQueryInterface);
    table[1] = reinterpret_cast<const void*>(&standInAddRef);
    table[2] = reinterpret_cast<const void*>(&standInRelease);
    return table;
}();
StandIn standIn{kStandInTable.data()};
// COM reaches an object through its table pointer only, which the stand-in starts with.
IUnknown* const standInObject = static_cast<IUnknown*>(static_cast<void*>(&standIn));

} // namespace

bool ServedInterfacePins::pin(IClassFactory& factory) noexcept
{
    static constexpr std::array<const IID*, 1> kFactoryInterfaces{&IID_IClassFactory};
    m_factory = platform::InterfacePins::pin(factory, kFactoryInterfaces);
    m_standIn = platform::InterfacePins::pin(*standInObject, kServedInterfaces);
    if (!m_factory || !m_standIn) release();
    return m_factory && m_standIn;
}

void ServedInterfacePins::release() noexcept
{
    m_factory.reset();
    m_standIn.reset();
}

} // namespace vetrel
