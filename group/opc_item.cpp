#include "group/opc_item.h"

#include "group/deadband.h"
#include "group/opc_group.h"
#include "tags/opc_tag.h"
#include "tags/timestamp.h"

namespace vetrel {

std::unique_ptr<OPCItem> OPCItem::copy() const
{
    auto copied = std::make_unique<OPCItem>();
    copied->m_clientHandle = m_clientHandle;
    copied->m_itemID = m_itemID;
    copied->m_accessPath = m_accessPath;
    copied->m_joinedName = m_joinedName;
    copied->m_canonicalDataType = m_canonicalDataType;
    copied->m_requestedDataType = m_requestedDataType;
    copied->m_active = m_active;
    copied->m_quality = m_quality;
    copied->m_timestamp = m_timestamp;
    copied->m_value = m_value;
    copied->m_referenceValue = m_referenceValue;
    copied->m_accessRights = m_accessRights;
    return copied;
}

void OPCItem::followTag(const OPCTag& tag, FLOAT percentDeadband)
{
    m_timestamp = tag.m_timestamp;
    const bool changed =
        m_quality != tag.m_quality ||
        deadbandExceeded(percentDeadband, m_referenceValue.get(), tag.m_value.get());
    m_value = tag.m_value;
    m_quality = tag.m_quality;
    // An earlier change not yet reported stays flagged, and is reported with this value.
    if (changed) {
        m_referenceValue = m_value;
        m_group->flagItem(*this);
    }
}

} // namespace vetrel
