// The registry entries that make this program the local server of the server-list class,
// under the class identifier, ProgIDs and AppID that OPC clients look for.
#pragma once

#include <string>

namespace serverlist {

enum class Registration
{
    Done,
    // Another program is the class's local server (another product's server list, which most
    // machines with OPC software have): its entries are left as they are.
    LeftToOther,
    Failed
};

// Writes the entries with the program at exePath as the local server.
Registration registerServer(const std::string& exePath);

// Removes the entries of the class, its ProgIDs and the AppID of the program at exePath, unless
// another program is the class's local server.
Registration unregisterServer(const std::string& exePath);

// The local server the class names, when it names one.
std::string registeredServer();

} // namespace serverlist
