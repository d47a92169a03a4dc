// What makes this program the Moxlan OPC server: its identity in the registry and towards the
// runtime, the registration run and the orderly exit.
#pragma once

#include "simulator/core/command_line.h"
#include "vetrel/com.h"

#include <chrono>
#include <functional>
#include <string>

namespace moxlan {

// {4C3A9E17-2B6D-4F80-9E51-7AD3C60B2F94}
constexpr CLSID kMoxlanClsid = {
    0x4C3A9E17, 0x2B6D, 0x4F80, {0x9E, 0x51, 0x7A, 0xD3, 0xC6, 0x0B, 0x2F, 0x94}};
constexpr const char* kMoxlanProgId = "Drevik.OPCServer";
constexpr const char* kMoxlanDescription = "Drevik Software OPC Server Simulator";
// The program registers this name in its own folder, whatever its file is called.
constexpr const char* kMoxlanExeName = "MOXLAN.EXE";
constexpr const char* kConfigFileName = "Moxlan.cfg";
constexpr DWORD kServerRate = 250;
constexpr WORD kGoodQuality = 192;

constexpr const char* kClientsAttachedMessage = "Sorry, Clients are Attached to this Server";
constexpr std::chrono::milliseconds kDisconnectWait{1000};

// Writes or removes the program's registry entries; a request of None does nothing. False when
// the runtime reports a failure, which the program itself does not report.
bool runRegistration(RegistrationRequest request, const std::string& executablePath);

// What keeps clients in other processes from finding this server, for a person to read: empty
// when the class is registered as a local server.
std::string registrationProblem();

// Said when the runtime refuses to serve: no client can reach the variables.
constexpr const char* kServerRefusedMessage =
    "the OPC server could not be started (the runtime refused to register Drevik.OPCServer)";

// Asks the clients to disconnect, waits kDisconnectWait through wait, and says whether the
// program may end: only when no client is connected any more.
bool orderlyExit(const std::function<void(std::chrono::milliseconds)>& wait);

} // namespace moxlan
