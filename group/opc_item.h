// OPCItem: one item of a group. It follows a tag by name and keeps its own copy of the tag's
// value, quality and timestamp, which every read path serves.
#pragma once

#include "comkit/intrusive_list.h"
#include "comkit/packed_texts.h"
#include "group/deadband.h"
#include "platform/variant.h"
#include "vetrel/opc.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vetrel {

class OPCGroup;
class OPCTag;

class OPCItem
{
public:
    OPCItem() = default;
    OPCItem(const OPCItem&) = delete;
    OPCItem& operator=(const OPCItem&) = delete;

    // A new record with every field of this one but the server handle; its changed flag is
    // set, as for any new item. Throws std::bad_alloc.
    std::unique_ptr<OPCItem> copy() const;

    std::string_view itemID() const noexcept { return m_names[0]; }
    std::string_view accessPath() const noexcept { return m_names[1]; }
    // The name of the tag the item follows: the item ID, or with an access path the two joined.
    std::string_view tagName() const noexcept
    {
        return accessPath().empty() ? itemID() : m_names[2];
    }
    // Throws std::bad_alloc.
    void setNames(std::string_view itemID, std::string_view accessPath);

    // The tag this item follows was updated: take its value, quality and timestamp, and flag
    // the update for the next report when its quality changed or its value moved by the
    // group's percent deadband. The caller holds the runtime lock. Throws std::bad_alloc.
    void followTag(const OPCTag& tag, FLOAT percentDeadband);

    // What a report reads of the item comes first, so that building a report touches one or
    // two cache lines per item.
    Variant m_value;
    FILETIME m_timestamp{};
    OPCHANDLE m_serverHandle = 0;
    OPCHANDLE m_clientHandle = 0;
    WORD m_quality = 0;
    VARTYPE m_requestedDataType = VT_EMPTY;
    // The item's entry in its group's list of flagged items, while flagged (m_changed).
    std::uint32_t m_flaggedAt = 0;
    // Where the item stands in its group's list: later items have larger positions.
    std::uint64_t m_position = 0;

    // The group whose list holds the item.
    OPCGroup* m_group = nullptr;
    VARTYPE m_canonicalDataType = VT_EMPTY;
    // Flagged for the next report. Set through the group's item list, which keeps the flagged
    // items apart so that a scan does not visit the others. It sits here, in a gap, so that the
    // record with the allocator's own header fits in 128 bytes.
    bool m_changed = true;
    // The item has a percent deadband of its own, kept by its group apart from the record.
    bool m_ownDeadband = false;
    BOOL m_active = FALSE;
    DWORD m_accessRights = OPC_READABLE;
    // The value at the last reported change, which the percent deadband compares against.
    FLOAT m_deadbandReference = kNoDeadbandReference;

    // Place in the group's item list and among the followers of the tag name.
    ListHook<OPCItem> m_groupHook;
    ListHook<OPCItem> m_tagHook;

private:
    // The item ID, the access path, and the two joined when there is a path.
    PackedTexts<3> m_names;
};

// Starts fetching the fields a report reads, the first 64 bytes of item, which may straddle two
// cache lines.
inline void prefetchForReport(const OPCItem* item) noexcept
{
    __builtin_prefetch(item);
    __builtin_prefetch(reinterpret_cast<const char*>(item) + 63);
}

} // namespace vetrel
