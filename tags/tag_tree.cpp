#include "tags/tag_tree.h"

#include "comkit/host_callbacks.h"
#include "comkit/runtime_lock.h"

#include <algorithm>
#include <exception>

namespace vetrel {
namespace {

// The child of node that browsing reaches by the short name component, path being the
// components that lead to node. Only a branch can be browsed into, so where a branch and a tag
// show the same short name the branch is taken: the tags below it stay within reach.
const OPCTag* browseChild(const OPCTag& node, std::string_view path, bool atRoot,
                          std::string_view component)
{
    if (!component.empty()) {
        // A branch is named by its component; so is a tag at the root. Any other tag that
        // shows component is named by its full name, the path followed by component.
        if (const OPCTag* named = node.findChild(component)) return named;
        if (atRoot) return nullptr;
        std::string full(path);
        full += '.';
        full += component;
        return node.findChild(full);
    }
    // The empty short name also ends every name with a trailing full stop: look at each child.
    const OPCTag* tag = nullptr;
    for (const OPCTag* child = node.firstChild(); child; child = child->nextSibling()) {
        if (!child->shortName().empty()) continue;
        if (child->hasChildren()) return child;
        if (!tag) tag = child;
    }
    return tag;
}

} // namespace

std::vector<std::string_view> splitTagName(std::string_view name)
{
    std::vector<std::string_view> components;
    while (!name.empty()) {
        const size_t dot = name.find('.');
        if (dot == std::string_view::npos) {
            components.push_back(name);
            break;
        }
        components.push_back(name.substr(0, dot));
        name.remove_prefix(dot + 1);
    }
    return components;
}

std::string joinTagName(std::string_view accessPath, std::string_view itemName)
{
    std::string full(accessPath);
    if (!accessPath.empty() && accessPath.back() != '.') full += '.';
    full += itemName;
    return full;
}

OPCTag* TagTree::fromHandle(DWORD handle) const noexcept
{
    return m_handles.find(handle);
}

OPCTag* TagTree::find(std::string_view accessPath, std::string_view itemName) const
{
    return accessPath.empty() ? find(itemName) : find(joinTagName(accessPath, itemName));
}

OPCTag* TagTree::find(std::string_view name) const noexcept
{
    // The empty name names nothing, not the root.
    if (name.empty()) return nullptr;
    // The components before the last one, as splitTagName cuts them: a final full stop ends
    // the last component rather than starting an empty one.
    const OPCTag* node = &m_root;
    std::string_view rest = name;
    for (size_t dot = rest.find('.'); dot != std::string_view::npos && dot + 1 < rest.size();
         dot = rest.find('.')) {
        node = node->findChild(rest.substr(0, dot));
        if (!node) return nullptr;
        rest.remove_prefix(dot + 1);
    }
    return node->findChild(name);
}

DWORD TagTree::add(std::string_view name, const VARIANT& value, WORD quality, bool writable)
{
    try {
        const auto components = splitTagName(name);
        if (components.empty() || find(name)) return kNoTag;
        OPCTag* node = &m_root;
        for (size_t i = 0; i + 1 < components.size(); ++i) {
            OPCTag* next = node->findChild(components[i]);
            if (!next) {
                next = node->appendChild(std::make_unique<OPCTag>(components[i]));
            }
            node = next;
        }
        auto tag = std::make_unique<OPCTag>(name);
        tag->m_value = Variant(value);
        tag->m_quality = quality;
        tag->m_accessRights = writable ? 3 : 1;
        const DWORD handle = m_handles.add(tag.get());
        if (handle == kNoTag) return kNoTag;
        tag->m_tagHandle = handle;
        node->appendChild(std::move(tag));
        return handle;
    } catch (const std::exception&) {
        // Out of memory, or a value that cannot be copied.
        return kNoTag;
    }
}

void TagTree::forgetHandles(OPCTag& node) noexcept
{
    // Depth-first without recursion: trees can be as deep as names are long.
    std::vector<OPCTag*> pending{&node};
    while (!pending.empty()) {
        OPCTag* current = pending.back();
        pending.pop_back();
        if (current->m_tagHandle != kNoTag) m_handles.remove(current->m_tagHandle);
        for (OPCTag* child = current->firstChild(); child; child = child->nextSibling())
            pending.push_back(child);
    }
}

void TagTree::remove(OPCTag* tag) noexcept
{
    OPCTag* parent = tag->parent();
    ++m_removals;
    forgetHandles(*tag);
    parent->detachChild(tag).reset();
    while (parent != &m_root && !parent->hasChildren() && parent->m_tagHandle == kNoTag) {
        OPCTag* grandparent = parent->parent();
        grandparent->detachChild(parent).reset();
        parent = grandparent;
    }
}

void TagTree::clear() noexcept
{
    ++m_removals;
    m_root.destroyChildren();
    m_handles = {};
}

OPCTag* TagTree::findBranch(const std::vector<std::string_view>& components) const
{
    const OPCTag* node = &m_root;
    std::string path;
    for (size_t i = 0; i < components.size() && node; ++i) {
        node = browseChild(*node, path, i == 0, components[i]);
        if (i > 0) path += '.';
        path += components[i];
    }
    return const_cast<OPCTag*>(node);
}

size_t TagTree::listNames(const OPCTag& node, NameKind kind, std::vector<std::string>& names) const
{
    const size_t before = names.size();
    if (kind != NameKind::Flat) {
        for (const OPCTag* child = node.firstChild(); child; child = child->nextSibling()) {
            if (kind == NameKind::Branch && child->hasChildren()) names.emplace_back(child->name());
            if (kind == NameKind::Leaf && !child->hasChildren())
                names.emplace_back(child->shortName());
        }
        return names.size() - before;
    }
    // Depth first, each branch's children in order, without recursion.
    std::vector<const OPCTag*> pending;
    const auto pushChildren = [&pending](const OPCTag& parent) {
        const size_t mark = pending.size();
        for (const OPCTag* child = parent.firstChild(); child; child = child->nextSibling())
            pending.push_back(child);
        std::reverse(pending.begin() + static_cast<ptrdiff_t>(mark), pending.end());
    };
    pushChildren(node);
    while (!pending.empty()) {
        const OPCTag* current = pending.back();
        pending.pop_back();
        if (current->hasChildren())
            pushChildren(*current);
        else
            names.emplace_back(current->name());
    }
    return names.size() - before;
}

bool TagTree::isHierarchical() const noexcept
{
    for (const OPCTag* child = m_root.firstChild(); child; child = child->nextSibling())
        if (child->hasChildren()) return true;
    return false;
}

TagTree& tagTree() noexcept
{
    assertLockHeld();
    static TagTree tags;
    return tags;
}

void writeTagByName(std::string_view name, const VARIANT& value)
{
    auto held = holdRuntimeLock();
    OPCTag* tag = tagTree().find(name);
    if (!tag) return;
    tag->m_value = Variant(value);
    // With the lock held, as hosts expect: a host may call back into the tag functions.
    if (const auto notify = hostCallbacks().writeNotification.load()) notify(tag->m_tagHandle);
}

} // namespace vetrel
