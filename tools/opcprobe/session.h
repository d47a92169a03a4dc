// One connection of the probe to an OPC Data Access server, and what it asks of it.
#pragma once

#include "platform/com_ptr.h"
#include "platform/variant.h"
#include "vetrel/opc.h"

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace opcprobe {

// A call that failed as a whole; per-item failures are results, not this.
class ProbeFailure : public std::runtime_error
{
public:
    // "what failed: " and the result in plain words.
    ProbeFailure(const std::string& what, HRESULT result);
    // The problem as given, for failures the probe can say more about than the code does.
    static ProbeFailure stated(const std::string& problem, HRESULT result);
    HRESULT result() const noexcept { return m_result; }

private:
    ProbeFailure(HRESULT result, const std::string& message);

    HRESULT m_result;
};

// The object's interface iid; throws ProbeFailure "Asking for NAME" when it has none.
template <typename Interface>
vetrel::ComPtr<Interface> askFor(IUnknown* object, REFIID iid, const char* name)
{
    vetrel::ComPtr<Interface> answer;
    const HRESULT hr = object->QueryInterface(iid, answer.putVoid());
    if (FAILED(hr)) throw ProbeFailure(std::string("Asking for ") + name, hr);
    return answer;
}

struct ServerStatus
{
    OPCSERVERSTATE state = OPC_STATUS_FAILED;
    FILETIME startTime{}, currentTime{}, lastUpdateTime{};
    DWORD groupCount = 0, bandWidth = 0;
    WORD majorVersion = 0, minorVersion = 0, buildNumber = 0;
    std::string vendor;
};

struct ItemValue
{
    std::string item;
    HRESULT error = S_OK;
    vetrel::Variant value;
    WORD quality = 0;
    FILETIME timestamp{};
};

// ITEM=VALUE of the write command, split at its first '='.
struct Assignment
{
    std::string item;
    std::string text;

    bool operator==(const Assignment&) const = default;
};

struct WriteResult
{
    std::string item;
    HRESULT error = S_OK;
    // Why the probe refused the value itself; empty when the server answered.
    std::string problem{};
};

class Session
{
public:
    // Joins the multithreaded apartment and activates the server, which COM starts when needed.
    // Failures name the server as shownAs, or by its class identifier when that is empty.
    explicit Session(const CLSID& server, const std::string& shownAs = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    ServerStatus status();
    std::vector<ItemValue> read(const std::vector<std::string>& items, OPCDATASOURCE source);
    // Each text is converted to its item's canonical type before it is sent.
    std::vector<WriteResult> write(const std::vector<Assignment>& assignments);
    IOPCServer* server() const noexcept { return m_server.get(); }

private:
    HRESULT m_joined;
    vetrel::ComPtr<IOPCServer> m_server;
};

std::string serverStateName(OPCSERVERSTATE state);

// The server's answer to GetStatus. Throws ProbeFailure naming what when the call fails.
ServerStatus serverStatus(IOPCServer* server, const std::string& what);

} // namespace opcprobe
