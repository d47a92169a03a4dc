// Objects the runtime has ended (a forcibly removed group, a destroyed or unloaded server)
// while clients may still hold them: their remote clients are cut off, once the runtime lock
// is released, so that COM's disconnect can call back into them without deadlock.
#pragma once

#include "vetrel/com.h"

#include <vector>

namespace vetrel {

// Lets the runtime keep an object alive across the disconnect without the trace lines of a
// client's AddRef and Release.
class Detachable
{
public:
    virtual IUnknown* identity() noexcept = 0;
    // Cuts off the parts with identities of their own that clients reach through the object
    // (its connection point container and point): their references are the object's.
    virtual void disconnectParts() noexcept = 0;
    virtual void retain() noexcept = 0;
    // The object goes here when this was its last reference.
    virtual void drop() noexcept = 0;

protected:
    ~Detachable() = default;
};

// Declare it before taking the runtime lock: it disconnects when it goes out of scope, after
// the lock has been released.
class PendingDisconnects
{
public:
    PendingDisconnects() = default;
    PendingDisconnects(const PendingDisconnects&) = delete;
    PendingDisconnects& operator=(const PendingDisconnects&) = delete;
    ~PendingDisconnects() { run(); }

    // Keeps object alive until it is disconnected. Without memory the disconnect is skipped:
    // the object is inert all the same.
    void add(Detachable& object) noexcept;
    void run() noexcept;
    // Runs the disconnects on a thread of their own: an object that goes with its disconnect
    // releases what its client advised, and a frozen client holds up the thread that does.
    // Without a thread they run here.
    void runElsewhere() noexcept;

private:
    std::vector<Detachable*> m_objects;
};

} // namespace vetrel
