// Advice: one client sink advised on the connection point of a server object, for as long as
// this object lives.
#pragma once

#include "platform/com_ptr.h"
#include "vetrel/com.h"

#include <string>

namespace opcprobe {

class Advice
{
public:
    // Finds the point for sinkIid in the owner's connection-point container and advises the
    // sink there. Throws ProbeFailure naming what when the owner has no such point or refuses.
    Advice(IUnknown* owner, REFIID sinkIid, IUnknown* sink, const std::string& what);
    // Unadvises. A server that has gone meanwhile answers an error, which changes nothing here.
    ~Advice();
    Advice(const Advice&) = delete;
    Advice& operator=(const Advice&) = delete;

private:
    vetrel::ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};

} // namespace opcprobe
