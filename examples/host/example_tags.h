// The tags of the example host: a few moving process values, tags with level alarms, one
// writable tag of every value type, and the tags through which a client asks the host to quit or to
// ask its clients to disconnect.
#pragma once

#include "vetrel/com.h"

#include <array>
#include <string_view>

namespace example {

inline constexpr std::string_view kTankLevel = "Example.Tank.Level";
inline constexpr std::string_view kLineCount = "Example.Line.Count";
inline constexpr std::string_view kLineRunning = "Example.Line.Running";
inline constexpr std::string_view kLineStatus = "Example.Line.Status";
inline constexpr std::string_view kTankProfile = "Example.Tank.Profile";
// The level raises a Hi alarm near the top of each of its swings.
inline constexpr float kTankLevelHigh = 8.0f;
inline constexpr DWORD kTankLevelHighSeverity = 500;
// A writable flow the host never moves, with Lo and Hi alarms: a client drives it by writing.
inline constexpr std::string_view kTankInflow = "Example.Tank.Inflow";
inline constexpr float kInflowLow = 10.0f;
inline constexpr float kInflowHigh = 90.0f;
inline constexpr DWORD kInflowLowSeverity = 400;
inline constexpr DWORD kInflowHighSeverity = 700;
// Writing TRUE here ends the host.
inline constexpr std::string_view kQuit = "Example.Host.Quit";
// Writing TRUE here makes the host send every client a shutdown request, and serve on.
inline constexpr std::string_view kDisconnect = "Example.Host.Disconnect";

// Every tag but the typed ones below.
inline constexpr std::array<std::string_view, 8> kProcessTags{
    kTankLevel,  kTankInflow,  kLineCount, kLineRunning,
    kLineStatus, kTankProfile, kQuit,      kDisconnect};

// One writable tag per value type, named "Example.Types.<name>"; they keep what clients write.
struct TypedTag
{
    std::string_view name;
    VARTYPE type;
};
inline constexpr std::array<TypedTag, 19> kTypedTags{{
    {"Example.Types.I1", VT_I1},
    {"Example.Types.UI1", VT_UI1},
    {"Example.Types.I2", VT_I2},
    {"Example.Types.UI2", VT_UI2},
    {"Example.Types.I4", VT_I4},
    {"Example.Types.UI4", VT_UI4},
    {"Example.Types.I8", VT_I8},
    {"Example.Types.UI8", VT_UI8},
    {"Example.Types.INT", VT_INT},
    {"Example.Types.UINT", VT_UINT},
    {"Example.Types.R4", VT_R4},
    {"Example.Types.R8", VT_R8},
    {"Example.Types.CY", VT_CY},
    {"Example.Types.DATE", VT_DATE},
    {"Example.Types.BOOL", VT_BOOL},
    {"Example.Types.ERROR", VT_ERROR},
    {"Example.Types.DECIMAL", VT_DECIMAL},
    {"Example.Types.BSTR", VT_BSTR},
    {"Example.Types.ARRAY", VT_ARRAY | VT_R8},
}};

class ExampleTags
{
public:
    // Creates every tag of the example.
    ExampleTags();
    // Moves the process values one tick on and publishes them.
    void step(int tick);
    DWORD quitTag() const noexcept { return m_quit; }
    DWORD disconnectTag() const noexcept { return m_disconnect; }

private:
    DWORD m_level, m_count, m_running, m_status, m_profile, m_quit, m_disconnect;
};

} // namespace example
