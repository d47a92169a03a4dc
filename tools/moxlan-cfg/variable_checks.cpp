#include "tools/moxlan-cfg/variable_checks.h"

#include "comkit/host_text.h"
#include "simulator/core/waveform.h"

#include <optional>
#include <string>

namespace moxlan::cfg {

namespace {

// The runtime publishes a tag under its name cut to this length: a longer name would reach
// clients cut, and two of them could meet under one.
constexpr size_t kMaxNameLength = vetrel::kNameBuffer - 1;

// "--low (5)" for an end the edits gave, "the low end (5) of Flow" for one the variable keeps.
std::string endText(const char* end, const std::optional<float>& given, float value,
                    const std::string& name)
{
    if (given) return std::string("--") + end + " (" + floatText(value) + ")";
    return std::string("the ") + end + " end (" + floatText(value) + ") of " + name;
}

} // namespace

bool checkNewName(std::string_view name, std::ostream& err)
{
    if (name.empty()) {
        err << "moxlan-cfg: the variable name is empty\n";
        return false;
    }
    if (name.size() > kMaxNameLength) {
        err << "moxlan-cfg: the variable name has " << name.size()
            << " characters; clients see at most " << kMaxNameLength << '\n';
        return false;
    }
    return true;
}

bool checkRange(const CDeviceTag& device, const VariableEdits& edits, std::ostream& err)
{
    const bool reversed = device.m_Low > device.m_High;
    if (!reversed || (!edits.low && !edits.high)) return true;
    err << "moxlan-cfg: " << endText("low", edits.low, device.m_Low, device.m_Name)
        << " is greater than " << endText("high", edits.high, device.m_High, device.m_Name) << '\n';
    return false;
}

bool checkPeriod(const CDeviceTag& device, const VariableEdits& edits, std::ostream& err)
{
    if (!isWaveform(device.m_SimType) || periodAccepted(device.m_Step) ||
        (!edits.type && !edits.step))
        return true;
    err << "moxlan-cfg: " << device.m_Name << " is a " << typeName(device.m_SimType)
        << " wave whose period (--step " << floatText(device.m_Step)
        << ") is shorter than the shortest, " << floatText(kShortestPeriod) << " seconds\n";
    return false;
}

} // namespace moxlan::cfg
