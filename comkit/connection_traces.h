// The trace lines and sink interface of the three connection-point owners (server, group,
// event subscription): everything in which their containers, points and point enumerators
// differ. A null text is a line that owner does not send.
#pragma once

#include "vetrel/opc.h"

namespace vetrel {

struct ConnectionTraces
{
    const IID& sinkIid;
    // Appended to FindConnectionPoint's line when the sink interface is asked for.
    const char* sinkSuffix;

    const char* containerAddRef;
    const char* containerRelease;
    const char* containerQueryInterface;
    const char* enumConnectionPoints;
    const char* findConnectionPoint;

    const char* pointAddRef;
    const char* pointRelease;
    const char* pointQueryInterface;
    const char* getConnectionInterface;
    // Appended to GetConnectionInterface's line on success.
    const char* connectionInterfaceSuffix;
    const char* getConnectionPointContainer;
    const char* advise;
    const char* adviseLimitSuffix;
    const char* unadviseSuccess;
    const char* unadviseFailure;
    const char* enumConnections;

    // printf formats taking the reference count.
    const char* enumeratorAddRef;
    const char* enumeratorRelease;
    const char* enumeratorNext;
    const char* enumeratorSkip;
    const char* enumeratorReset;
    const char* enumeratorClone;
};

inline constexpr ConnectionTraces kServerConnectionTraces{
    IID_IOPCShutdown,
    " IID_IOPCShutdown",
    "OPCServerConnectionContainer::AddRef() [defered to OPCServer]",
    "OPCServerConnectionContainer::Release() [defered to OPCServer]",
    "CIOPCServerConnectionContainer::QueryInterface",
    "CIOPCSvrConnectionContainer::EnumConnectionPoints",
    "CIOPCSvrConnectionContainer::FindConnectionPoint",
    "OPCServerConnectionPoint::AddRef() [defered to OPCServerConnectionContainer]",
    "OPCServerConnectionPoint::Release() [defered to OPCServerConnectionContainer]",
    "OPCSvrConnectionPoint::QueryInterface",
    "OPCServerConnectionPoint::GetConnectionInterface",
    "",
    "OPCServerConnectionPoint::GetConnectionPointContainer",
    "OPCServerConnectionPoint::Advise",
    " E_ADVISELIMIT",
    nullptr,
    "OPCServerConnectionPoint::Uadvise CONNECT_E_NOCONNECTION",
    nullptr,
    "IOPCServerConnectionPtEnumerator::AddRef(%d)",
    "IOPCServerConnectionPtEnumerator::Release(%d)",
    "CIOPCServerConnectionPtEnumerator::Next",
    nullptr,
    nullptr,
    nullptr,
};

inline constexpr ConnectionTraces kGroupConnectionTraces{
    IID_IOPCDataCallback,
    " IID_IOPCDataCallback",
    "OPCGroupConnectionContainer::AddRef() [defered to OPCGroup]",
    "OPCGroupConnectionContainer::Release() [defered to OPCGroup]",
    "CIOPCGroupConnectionContainer::QueryInterface",
    "CIOPCGroupConnectionContainer::EnumConnectionPoints",
    "CIOPCGroupConnectionContainer::FindConnectionPoint",
    "OPCGroupConnectionPoint::AddRef() [defered to OPCGroupConnectionContainer]",
    "OPCGroupConnectionPoint::Release() [defered to OPCGroupConnectionContainer]",
    "OPCGroupConnectionPoint::QueryInterface",
    "OPCGroupConnectionPoint::GetConnectionInterface",
    " IID_IOPCDataCallback",
    "OPCGroupConnectionPoint::GetConnectionPointContainer",
    "OPCGroupConnectionPoint::Advise",
    " CONNECT_E_ADVISELIMIT",
    "OPCGroupConnectionPoint::Unadvise S_OK",
    "OPCGroupConnectionPoint::Unadvise CONNECT_E_NOCONNECT",
    "OPCGroupConnectionPoint::Unadvise E_NOTIMPL",
    "IOPCGroupConnectionPtEnumerator::AddRef(%d)",
    "IOPCGroupConnectionPtEnumerator::Release(%d)",
    "CIOPCGroupConnectionPtEnumerator::Next",
    "CIOPCGroupConnectionPtEnumerator::Skip",
    "CIOPCGroupConnectionPtEnumerator::Reset",
    "CIOPCGroupConnectionPtEnumerator::Clone",
};

inline constexpr ConnectionTraces kEventConnectionTraces{
    IID_IOPCEventSink,
    " IID_IOPCEventSink",
    "OPCEventConnectionContainer::AddRef() [defered to OPCEventSubscription]",
    "OPCEventConnectionContainer::Release() [defered to OPCEventSubscription]",
    "CIOPCEventConnectionContainer::QueryInterface",
    "CIOPCEventConnectionContainer::EnumConnectionPoints",
    "CIOPCEventConnectionContainer::FindConnectionPoint",
    "OPCEventConnectionPoint::AddRef() [defered to OPCEventConnectionContainer]",
    "OPCEventConnectionPoint::Release() [defered to OPCEventConnectionContainer]",
    "OPCEventConnectionPoint::QueryInterface",
    "OPCEventConnectionPoint::GetConnectionInterface",
    " IID_IOPCEventSink",
    "OPCEventConnectionPoint::GetConnectionPointContainer",
    "OPCEventConnectionPoint::Advise",
    " CONNECT_E_ADVISELIMIT",
    "OPCEventConnectionPoint::Unadvise S_OK",
    "OPCEventConnectionPoint::Unadvise CONNECT_E_NOCONNECT",
    "OPCEventConnectionPoint::Unadvise E_NOTIMPL",
    "IOPCEventConnectionPtEnumerator::AddRef(%d)",
    "IOPCEventConnectionPtEnumerator::Release(%d)",
    "CIOPCEventConnectionPtEnumerator::Next",
    "CIOPCEventConnectionPtEnumerator::Skip",
    "CIOPCEventConnectionPtEnumerator::Reset",
    "CIOPCEventConnectionPtEnumerator::Clone",
};

} // namespace vetrel
