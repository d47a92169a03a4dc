// The OPC 1.0 stream blocks: a group's values in the published "OPCSTMFORMATDATA" and
// "OPCSTMFORMATDATATIME" layouts and write results in "OPCSTMFORMATWRITECOMPLETE", each in
// one block of fixed global memory.
#pragma once

#include "group/opc_item.h"
#include "platform/global_memory.h"

#include <span>
#include <vector>

namespace vetrel {

// The values of items as the item read serves them now, taken once for every block built from
// them. The caller holds the runtime lock while they are taken.
class StreamValues
{
public:
    // Throws std::bad_alloc.
    explicit StreamValues(std::span<OPCItem* const> items);
    // The entries of older, each replaced by newer's entry of the same item, then newer's
    // entries of other items. Throws std::bad_alloc.
    static StreamValues merged(const StreamValues& older, const StreamValues& newer);

    // The block with a group header, the item headers (with timestamps when withTimes) and
    // the values; empty without memory.
    GlobalMemory block(OPCHANDLE groupHandle, DWORD transactionId, bool withTimes) const noexcept;

private:
    StreamValues() = default;

    struct Entry
    {
        OPCHANDLE serverHandle;
        OPCHANDLE clientHandle;
        Variant value;
        WORD quality;
        FILETIME timestamp;
    };
    std::vector<Entry> m_entries;
};

// The write-complete block: one client handle and one result per written item. clientHandles
// and results have the same length. Empty without memory.
GlobalMemory writeCompleteBlock(OPCHANDLE groupHandle, DWORD transactionId,
                                std::span<const OPCHANDLE> clientHandles,
                                std::span<const HRESULT> results) noexcept;

} // namespace vetrel
