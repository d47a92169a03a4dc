// What every object the service hands to clients shares: its reference count, and its hold on
// the process, which serves for as long as a client holds one of them.
#pragma once

#include "comkit/ref_counted.h"
#include "server_lifetime.h"

namespace serverlist {

template <typename... Interfaces> class ServedObject : public vetrel::RefCounted<Interfaces...>
{
protected:
    ServedObject() noexcept { holdProcess(); }
    ~ServedObject() override { releaseProcess(); }
};

} // namespace serverlist
