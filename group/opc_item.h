// OPCItem: one item of a group. It follows a tag by name and keeps its own copy of the tag's
// value, quality and timestamp, which every read path serves.
#pragma once

#include "comkit/intrusive_list.h"
#include "platform/variant.h"
#include "vetrel/opc.h"

#include <cstdint>
#include <memory>
#include <string>

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

    // The tag this item follows was updated: take its value, quality and timestamp, and flag
    // the update for the next report when its quality changed or its value moved by the
    // group's percent deadband. The caller holds the runtime lock. Throws std::bad_alloc.
    void followTag(const OPCTag& tag, FLOAT percentDeadband);

    // The group whose list holds the item.
    OPCGroup* m_group = nullptr;
    OPCHANDLE m_serverHandle = 0;
    OPCHANDLE m_clientHandle = 0;
    std::string m_itemID;
    std::string m_accessPath;
    std::string m_tagName;
    // Flagged for the next report. Set through the group's item list, which keeps the flagged
    // items apart so that a scan does not visit the others.
    bool m_changed = true;
    VARTYPE m_canonicalDataType = VT_EMPTY;
    VARTYPE m_requestedDataType = VT_EMPTY;
    BOOL m_active = FALSE;
    WORD m_quality = 0;
    FILETIME m_timestamp{};
    Variant m_value;
    // The value at the last reported change, which the percent deadband compares against.
    Variant m_referenceValue;
    DWORD m_accessRights = OPC_READABLE;

    // Place in the group's item list, among the followers of the tag name, and among the
    // group's flagged items while flagged.
    ListHook<OPCItem> m_groupHook;
    ListHook<OPCItem> m_tagHook;
    ListHook<OPCItem> m_changedHook;
    // Where the item stands in its group's list: later items have larger positions.
    std::uint64_t m_position = 0;
};

} // namespace vetrel
