#include "hresult_names.h"

#include <cstdio>

namespace opcprobe {
namespace {

struct NamedResult
{
    DWORD code;
    const char* name;
};

// 0xC0040203 is both OPC_E_INVALID_PID (Data Access) and OPC_E_INVALIDBRANCHNAME (Alarms and
// Events); a Data Access client means the first.
constexpr NamedResult kNames[] = {
    {0x00000000, "S_OK"},
    {0x00000001, "S_FALSE"},
    {0x80004001, "E_NOTIMPL"},
    {0x80004002, "E_NOINTERFACE"},
    {0x80004003, "E_POINTER"},
    {0x80004004, "E_ABORT"},
    {0x80004005, "E_FAIL"},
    {0x8000FFFF, "E_UNEXPECTED"},
    {0x80070005, "E_ACCESSDENIED"},
    {0x80070006, "E_HANDLE"},
    {0x8007000E, "E_OUTOFMEMORY"},
    {0x80070057, "E_INVALIDARG"},
    {0x80040110, "CLASS_E_NOAGGREGATION"},
    {0x80040111, "CLASS_E_CLASSNOTAVAILABLE"},
    {0x80040154, "REGDB_E_CLASSNOTREG"},
    {0x800401F0, "CO_E_NOTINITIALIZED"},
    {0x800401F3, "CO_E_CLASSSTRING"},
    {0x80080005, "CO_E_SERVER_EXEC_FAILURE"},
    {0x80010001, "RPC_E_CALL_REJECTED"},
    {0x80010007, "RPC_E_SERVER_DIED"},
    {0x80010012, "RPC_E_SERVER_DIED_DNE"},
    {0x80010105, "RPC_E_SERVERFAULT"},
    {0x80010108, "RPC_E_DISCONNECTED"},
    {0x800706BA, "RPC_S_SERVER_UNAVAILABLE"},
    {0x80040200, "CONNECT_E_NOCONNECTION"},
    {0x80040201, "CONNECT_E_ADVISELIMIT"},
    {0x80040202, "CONNECT_E_CANNOTCONNECT"},
    {0x80040203, "CONNECT_E_OVERRIDDEN"},
    {0x80020005, "DISP_E_TYPEMISMATCH"},
    {0x80020008, "DISP_E_BADVARTYPE"},
    {0x8002000A, "DISP_E_OVERFLOW"},
    {0x8002000B, "DISP_E_BADINDEX"},
    {0x8002000D, "DISP_E_ARRAYISLOCKED"},
    {0xC0040001, "OPC_E_INVALIDHANDLE"},
    {0xC0040004, "OPC_E_BADTYPE"},
    {0xC0040005, "OPC_E_PUBLIC"},
    {0xC0040006, "OPC_E_BADRIGHTS"},
    {0xC0040007, "OPC_E_UNKNOWNITEMID"},
    {0xC0040008, "OPC_E_INVALIDITEMID"},
    {0xC0040009, "OPC_E_INVALIDFILTER"},
    {0xC004000A, "OPC_E_UNKNOWNPATH"},
    {0xC004000B, "OPC_E_RANGE"},
    {0xC004000C, "OPC_E_DUPLICATENAME"},
    {0x0004000D, "OPC_S_UNSUPPORTEDRATE"},
    {0x0004000E, "OPC_S_CLAMP"},
    {0x0004000F, "OPC_S_INUSE"},
    {0xC0040010, "OPC_E_INVALIDCONFIGFILE"},
    {0xC0040011, "OPC_E_NOTFOUND"},
    {0xC0040203, "OPC_E_INVALID_PID"},
    {0x00040200, "OPC_S_ALREADYACKED"},
    {0x00040201, "OPC_S_INVALIDBUFFERTIME"},
    {0x00040202, "OPC_S_INVALIDMAXSIZE"},
    {0xC0040204, "OPC_E_INVALIDTIME"},
    {0xC0040205, "OPC_E_BUSY"},
    {0xC0040206, "OPC_E_NOINFO"},
};

} // namespace

std::string resultName(HRESULT result)
{
    for (const NamedResult& named : kNames)
        if (named.code == static_cast<DWORD>(result)) return named.name;
    return {};
}

std::string describeResult(HRESULT result)
{
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX",
                  static_cast<unsigned long>(static_cast<DWORD>(result)));
    const std::string name = resultName(result);
    return name.empty() ? std::string(number) : name + " (" + number + ")";
}

} // namespace opcprobe
