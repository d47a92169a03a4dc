// The registry entries that make this program the local server of the server-list class,
// under the class identifier, ProgIDs and AppID that OPC clients look for.
#pragma once

#include <string>

namespace serverlist {

// Writes the entries with the program at exePath as the local server; false when one cannot
// be written.
bool registerServer(const std::string& exePath);

// Removes the entries of the class, its ProgIDs and the AppID of the program at exePath; false
// when one of them stays.
bool unregisterServer(const std::string& exePath);

} // namespace serverlist
