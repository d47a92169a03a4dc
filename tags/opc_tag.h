// One node of the tag tree: a branch, a tag, or both (a tag that later gained children).
#pragma once

#include "comkit/packed_texts.h"
#include "platform/variant.h"
#include "tags/child_index.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vetrel {

constexpr DWORD kNoTag = 0xFFFFFFFF;

// The items that follow a tag's name; the group layer keeps them.
struct TagFollowers;

enum class AlarmLevel : int
{
    Normal = 0,
    LoLo = 1,
    Lo = 2,
    Hi = 3,
    HiHi = 4
};

struct LevelLimit
{
    float limit;
    BOOL enabled;
    DWORD severity;
};

// What most tags never set: the texts of two item properties and the level alarm, kept apart
// so that a plain tag stays small.
struct TagDetails
{
    std::string euUnits;
    std::string description;
    AlarmLevel alarmLevel = AlarmLevel::Normal;
    FILETIME alarmTime{};
    // LoLo first, as the levels are numbered from 1.
    LevelLimit limits[4] = {
        {0.0f, FALSE, 200}, {0.0f, FALSE, 200}, {100.0f, FALSE, 200}, {100.0f, FALSE, 200}};
};

class OPCTag
{
public:
    // A node named by name (a branch's component, or a tag's full name). Throws
    // std::bad_alloc.
    explicit OPCTag(std::string_view name = {});
    ~OPCTag();
    OPCTag(const OPCTag&) = delete;
    OPCTag& operator=(const OPCTag&) = delete;

    std::string_view name() const noexcept { return m_name[0]; }
    OPCTag* parent() const noexcept { return m_parent; }
    bool hasChildren() const noexcept { return m_children != nullptr; }
    OPCTag* firstChild() const noexcept { return m_children ? m_children->first : nullptr; }
    OPCTag* nextSibling() const noexcept { return m_nextSibling; }

    // The first child, in creation order, whose name is exactly name.
    OPCTag* findChild(std::string_view name) const noexcept;
    OPCTag* appendChild(std::unique_ptr<OPCTag> child);
    // Unlinks child from this node and hands it back to the caller.
    std::unique_ptr<OPCTag> detachChild(OPCTag* child) noexcept;
    void destroyChildren() noexcept;

    // The text after the last "." of the name: what browsing shows of a node.
    std::string_view shortName() const noexcept;

    std::string_view euUnits() const noexcept
    {
        return m_details ? std::string_view(m_details->euUnits) : std::string_view();
    }
    std::string_view description() const noexcept
    {
        return m_details ? std::string_view(m_details->description) : std::string_view();
    }
    // The limit record of level, which is not Normal.
    const LevelLimit& levelLimit(AlarmLevel level) const noexcept;
    // Null while the tag has neither texts nor limits set.
    TagDetails* details() const noexcept { return m_details.get(); }
    // The details, made on first use. Throws std::bad_alloc.
    TagDetails& ensureDetails();

    Variant m_value;
    FILETIME m_timestamp;
    WORD m_quality = 0x40;
    DWORD m_accessRights = 1;
    DWORD m_tagHandle = kNoTag;
    int m_itemRefCount = 0;
    // The items that follow this tag's name, found at the item's add or the tag's creation
    // so that an update reaches them without looking the name up; null while none does.
    TagFollowers* m_followers = nullptr;

private:
    // Kept apart while the node has children, since most nodes are leaves. Names are unique
    // among siblings: both ways of creating a child look its name up first. Small nodes are
    // searched in creation order; large ones through the index.
    struct Children
    {
        OPCTag* first = nullptr;
        OPCTag* last = nullptr;
        size_t count = 0;
        ChildIndex index;
    };
    static constexpr size_t kIndexThreshold = 8;

    PackedTexts<1> m_name;
    OPCTag* m_parent = nullptr;
    OPCTag* m_prevSibling = nullptr;
    OPCTag* m_nextSibling = nullptr;
    std::unique_ptr<Children> m_children;
    std::unique_ptr<TagDetails> m_details;
};

} // namespace vetrel
