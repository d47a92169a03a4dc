// Calls into clients are prepared under the runtime lock and made after it is released: a
// client may then call the server from inside its callback, on any thread, without deadlock,
// and a slow client holds up no one but the thread that calls it.
#pragma once

#include <memory>
#include <vector>

namespace vetrel {

class ClientDelivery
{
public:
    virtual ~ClientDelivery() = default;
    // Makes the call; the runtime lock is not held. The result of the client's method is
    // not examined.
    virtual void send() noexcept = 0;
};

// In the order the calls are to be made.
using ClientDeliveries = std::vector<std::unique_ptr<ClientDelivery>>;

} // namespace vetrel
