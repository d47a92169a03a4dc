// The example host that a test program starts itself for all its cases, and the program's one
// connection to it. Failures are reported to GoogleTest.
#pragma once

#include "platform/com_ptr.h"
#include "vetrel/opc.h"

#include <string>
#include <string_view>

namespace e2e {

class StartedHost
{
public:
    // Starts the host with arguments and connects once its first tick shows that the class is
    // registered and every tag created: no client can make COM start a second host.
    static void start(const std::string& arguments);
    // Asks the host to quit through its quit tag and expects it to end cleanly.
    static void stop();

    static bool connected();
    static IOPCServer* server();
    // A client write through a group of its own; the host publishes the value again at once.
    static void write(std::string_view tag, const VARIANT& value);
};

} // namespace e2e
