#include "group/item_validation.h"

#include "comkit/client_text.h"
#include "comkit/host_callbacks.h"
#include "tags/tag_tree.h"
#include "tags/timestamp.h"

namespace vetrel {

namespace {

OPCTag* findOrOffer(ValidatedItem& validated, RuntimeHold& lock)
{
    TagTree& tags = tagTree();
    if (OPCTag* tag = tags.find(validated.accessPath, validated.itemID)) return tag;
    const auto unknownItem = hostCallbacks().unknownItem.load();
    if (!unknownItem) return nullptr;
    // The host gets copies it may scribble on, and the lock released: it may create the tag.
    std::string accessPath = validated.accessPath;
    std::string itemID = validated.itemID;
    lock.unlock();
    assertLockNotHeld();
    unknownItem(accessPath.data(), itemID.data());
    lock.lock();
    return tags.find(validated.accessPath, validated.itemID);
}

} // namespace

HRESULT validateItemDef(const OPCITEMDEF& definition, RuntimeHold& lock, ValidatedItem& validated)
{
    validated.accessPath = fromClientText(definition.szAccessPath);
    validated.itemID = fromClientText(definition.szItemID);
    OPCTag* tag = findOrOffer(validated, lock);
    if (!tag) return OPC_E_UNKNOWNITEMID;
    validated.tag = tag;
    validated.value = tag->m_value;
    validated.quality = tag->m_quality;
    validated.accessRights = tag->m_accessRights;
    return tryRequestedType(validated.value.get(), definition.vtRequestedDataType);
}

HRESULT tryRequestedType(const VARIANT& value, VARTYPE requested) noexcept
{
    if (requested == VT_EMPTY) return S_OK;
    Variant trial;
    return changeType(trial, value, requested);
}

std::unique_ptr<OPCItem> makeItem(const OPCITEMDEF& definition, ValidatedItem&& validated)
{
    auto item = std::make_unique<OPCItem>();
    item->m_clientHandle = definition.hClient;
    item->setNames(validated.itemID, validated.accessPath);
    item->m_active = definition.bActive;
    item->m_canonicalDataType = validated.value.type();
    item->m_requestedDataType = definition.vtRequestedDataType;
    item->m_value = std::move(validated.value);
    item->m_quality = validated.quality;
    item->m_accessRights = validated.accessRights;
    // Stamped when the item is made, not with the tag's time.
    item->m_timestamp = currentFileTime();
    return item;
}

} // namespace vetrel
