#include "group/opc_item.h"

#include "group/deadband.h"
#include "group/opc_group.h"
#include "tags/opc_tag.h"
#include "tags/tag_tree.h"
#include "tags/timestamp.h"

namespace vetrel {

// A million items differ by 16 MB between the allocator's 128- and 144-byte blocks.
static_assert(sizeof(OPCItem) <= 120, "OPCItem outgrew its allocation size");

std::unique_ptr<OPCItem> OPCItem::copy() const
{
    auto copied = std::make_unique<OPCItem>();
    copied->m_clientHandle = m_clientHandle;
    copied->m_names = m_names;
    copied->m_canonicalDataType = m_canonicalDataType;
    copied->m_requestedDataType = m_requestedDataType;
    copied->m_active = m_active;
    copied->m_quality = m_quality;
    copied->m_timestamp = m_timestamp;
    copied->m_value = m_value;
    copied->m_deadbandReference = m_deadbandReference;
    copied->m_accessRights = m_accessRights;
    return copied;
}

void OPCItem::setNames(std::string_view itemID, std::string_view accessPath)
{
    m_names = PackedTexts<3>(
        {itemID, accessPath, accessPath.empty() ? std::string() : joinTagName(accessPath, itemID)});
}

void OPCItem::followTag(const OPCTag& tag, FLOAT percentDeadband)
{
    m_timestamp = tag.m_timestamp;
    const bool changed = m_quality != tag.m_quality ||
                         deadbandExceeded(percentDeadband, m_deadbandReference, tag.m_value.get());
    m_value = tag.m_value;
    m_quality = tag.m_quality;
    // An earlier change not yet reported stays flagged, and is reported with this value.
    if (changed) {
        m_deadbandReference = deadbandReference(m_value.get());
        m_group->flagItem(*this);
    }
}

} // namespace vetrel
