// The write command's values turned into what a server takes: each text converted to its item's
// type, those the probe refuses answered at once, and the server's answers put back in the
// command's order. Shared by the 2.0 path (a group's IOPCSyncIO) and the 3.0 one (IOPCItemIO).
#pragma once

#include "session.h"

#include <cstddef>
#include <vector>

namespace opcprobe {

// What the server said of an item before the write: whether it knows it, its type and rights.
struct WriteTarget
{
    HRESULT error = S_OK;
    VARTYPE canonicalType = VT_EMPTY;
    DWORD accessRights = 0;
};

class WritePlan
{
public:
    // One target per assignment.
    WritePlan(const std::vector<Assignment>& assignments, const std::vector<WriteTarget>& targets);

    // The assignments to send, by position in the command, and their values (owned by the plan).
    const std::vector<std::size_t>& positions() const noexcept { return m_positions; }
    std::vector<VARIANT> values() const;
    // The results with the server's answers, one per position, filled in.
    std::vector<WriteResult> finish(const HRESULT* answers);

private:
    std::vector<WriteTarget> m_targets;
    std::vector<WriteResult> m_results;
    std::vector<std::size_t> m_positions;
    std::vector<vetrel::Variant> m_values;
};

} // namespace opcprobe
