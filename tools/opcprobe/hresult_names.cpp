#include "hresult_names.h"

#include <cstdio>

namespace opcprobe {
namespace {

struct NamedResult
{
    DWORD code;
    const char* name;
    // In plain words, for the codes a user of the probe is likely to meet.
    const char* meaning = nullptr;
};

// 0xC0040203 is both OPC_E_INVALID_PID (Data Access) and OPC_E_INVALIDBRANCHNAME (Alarms and
// Events); a Data Access client means the first.
constexpr NamedResult kNames[] = {
    {0x00000000, "S_OK"},
    {0x00000001, "S_FALSE"},
    {0x80004001, "E_NOTIMPL", "the server does not implement this call"},
    {0x80004002, "E_NOINTERFACE", "the server does not offer this interface"},
    {0x80004003, "E_POINTER", "the server's answer lacked the data it promised"},
    {0x80004004, "E_ABORT"},
    {0x80004005, "E_FAIL", "the server failed"},
    {0x8000FFFF, "E_UNEXPECTED", "the server failed unexpectedly"},
    {0x80070005, "E_ACCESSDENIED", "access denied: the server does not let this user in"},
    {0x80070006, "E_HANDLE"},
    {0x8007000E, "E_OUTOFMEMORY", "out of memory"},
    {0x80070057, "E_INVALIDARG", "the server refused an argument"},
    {0x80040110, "CLASS_E_NOAGGREGATION"},
    {0x80040111, "CLASS_E_CLASSNOTAVAILABLE", "the server's program does not provide this class"},
    {0x80040154, "REGDB_E_CLASSNOTREG", "no server is registered under this class identifier"},
    {0x800401F0, "CO_E_NOTINITIALIZED"},
    {0x800401F3, "CO_E_CLASSSTRING", "no server is registered under this name"},
    {0x80080005, "CO_E_SERVER_EXEC_FAILURE", "the server's program could not be started"},
    {0x80010001, "RPC_E_CALL_REJECTED", "the server rejected the call"},
    {0x80010007, "RPC_E_SERVER_DIED", "the server's process ended"},
    {0x80010012, "RPC_E_SERVER_DIED_DNE", "the server's process ended"},
    {0x80010105, "RPC_E_SERVERFAULT", "the server crashed in the call"},
    {0x80010108, "RPC_E_DISCONNECTED", "the server's process is gone"},
    {0x800706BA, "RPC_S_SERVER_UNAVAILABLE", "the server's process is gone"},
    {0x80040200, "CONNECT_E_NOCONNECTION", "the server holds no such callback connection"},
    {0x80040201, "CONNECT_E_ADVISELIMIT", "the server takes no more callbacks"},
    {0x80040202, "CONNECT_E_CANNOTCONNECT", "the server cannot call the probe back"},
    {0x80040203, "CONNECT_E_OVERRIDDEN"},
    {0x80020005, "DISP_E_TYPEMISMATCH", "the value does not fit the item's type"},
    {0x80020008, "DISP_E_BADVARTYPE"},
    {0x8002000A, "DISP_E_OVERFLOW", "the value is out of the range of the item's type"},
    {0x8002000B, "DISP_E_BADINDEX"},
    {0x8002000D, "DISP_E_ARRAYISLOCKED"},
    {0xC0040001, "OPC_E_INVALIDHANDLE", "the server no longer knows this handle"},
    {0xC0040004, "OPC_E_BADTYPE",
     "the server cannot convert between the value's type and the item's"},
    {0xC0040005, "OPC_E_PUBLIC"},
    {0xC0040006, "OPC_E_BADRIGHTS", "the item's access rights do not allow this"},
    {0xC0040007, "OPC_E_UNKNOWNITEMID", "the server has no item of this ID"},
    {0xC0040008, "OPC_E_INVALIDITEMID", "this is not a valid item ID for the server"},
    {0xC0040009, "OPC_E_INVALIDFILTER", "the server refused the filter"},
    {0xC004000A, "OPC_E_UNKNOWNPATH", "the server knows no such access path"},
    {0xC004000B, "OPC_E_RANGE", "the value is out of the item's range"},
    {0xC004000C, "OPC_E_DUPLICATENAME", "the name is in use"},
    {0x0004000D, "OPC_S_UNSUPPORTEDRATE", "the server chose another update rate"},
    {0x0004000E, "OPC_S_CLAMP", "the value was clamped to the item's limits"},
    {0x0004000F, "OPC_S_INUSE"},
    {0xC0040010, "OPC_E_INVALIDCONFIGFILE", "the server's configuration file is not valid"},
    {0xC0040011, "OPC_E_NOTFOUND", "the server found no such object"},
    {0xC0040203, "OPC_E_INVALID_PID", "the item has no such property"},
    {0x00040200, "OPC_S_ALREADYACKED"},
    {0x00040201, "OPC_S_INVALIDBUFFERTIME"},
    {0x00040202, "OPC_S_INVALIDMAXSIZE"},
    {0xC0040204, "OPC_E_INVALIDTIME"},
    {0xC0040205, "OPC_E_BUSY"},
    {0xC0040206, "OPC_E_NOINFO"},
};

const NamedResult* namedResult(HRESULT result)
{
    for (const NamedResult& named : kNames)
        if (named.code == static_cast<DWORD>(result)) return &named;
    return nullptr;
}

} // namespace

std::string resultName(HRESULT result)
{
    const NamedResult* named = namedResult(result);
    return named ? named->name : std::string();
}

std::optional<HRESULT> resultNamed(std::string_view name)
{
    for (const NamedResult& named : kNames)
        if (name == named.name) return static_cast<HRESULT>(named.code);
    return std::nullopt;
}

std::string resultMeaning(HRESULT result)
{
    const NamedResult* named = namedResult(result);
    return named && named->meaning ? named->meaning : std::string();
}

std::string describeResult(HRESULT result)
{
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX",
                  static_cast<unsigned long>(static_cast<DWORD>(result)));
    const std::string name = resultName(result);
    return name.empty() ? std::string(number) : name + " " + number;
}

std::string explainResult(const std::string& problem, HRESULT result)
{
    return problem.empty() ? describeResult(result) : problem + " \u2014 " + describeResult(result);
}

std::string explainResult(HRESULT result)
{
    return explainResult(resultMeaning(result), result);
}

} // namespace opcprobe
