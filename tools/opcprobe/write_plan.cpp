#include "write_plan.h"

#include "value_parse.h"
#include "value_text.h"

namespace opcprobe {

WritePlan::WritePlan(const std::vector<Assignment>& assignments,
                     const std::vector<WriteTarget>& targets)
    : m_targets(targets), m_results(assignments.size())
{
    for (std::size_t i = 0; i < assignments.size(); ++i) {
        m_results[i].item = assignments[i].item;
        m_results[i].error = targets[i].error;
        if (FAILED(targets[i].error)) continue;
        vetrel::Variant value;
        if (const auto refused = parseValue(assignments[i].text, targets[i].canonicalType, value)) {
            m_results[i].error = refused->error;
            m_results[i].problem = assignments[i].item + " is " +
                                   typeName(targets[i].canonicalType) + ": " + refused->reason;
            continue;
        }
        m_values.push_back(std::move(value));
        m_positions.push_back(i);
    }
}

std::vector<VARIANT> WritePlan::values() const
{
    // Shallow copies: the plan keeps owning what they point to.
    std::vector<VARIANT> wire;
    for (const vetrel::Variant& value : m_values) wire.push_back(value.get());
    return wire;
}

std::vector<WriteResult> WritePlan::finish(const HRESULT* answers)
{
    for (std::size_t k = 0; k < m_positions.size(); ++k) {
        WriteResult& result = m_results[m_positions[k]];
        result.error = answers[k];
        // Servers refuse such writes with codes of their choosing, OPC_E_BADTYPE among them.
        if (FAILED(result.error) && !(m_targets[m_positions[k]].accessRights & OPC_WRITEABLE))
            result.problem = result.item + " is read-only";
    }
    return std::move(m_results);
}

} // namespace opcprobe
