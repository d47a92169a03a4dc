#include "tags/opc_tag.h"

#include "tags/timestamp.h"

namespace vetrel {

OPCTag::OPCTag(std::string_view name) : m_timestamp(currentFileTime()), m_name({name})
{
    VARIANT* value = m_value.out();
    value->vt = VT_R4;
    value->fltVal = 0.0f;
}

OPCTag::~OPCTag()
{
    destroyChildren();
}

const LevelLimit& OPCTag::levelLimit(AlarmLevel level) const noexcept
{
    static const TagDetails defaults;
    return (m_details ? *m_details : defaults).limits[static_cast<int>(level) - 1];
}

TagDetails& OPCTag::ensureDetails()
{
    if (!m_details) m_details = std::make_unique<TagDetails>();
    return *m_details;
}

OPCTag* OPCTag::findChild(std::string_view name) const noexcept
{
    if (!m_children) return nullptr;
    if (!m_children->index.empty()) return m_children->index.find(name);
    for (OPCTag* child = m_children->first; child; child = child->m_nextSibling)
        if (child->name() == name) return child;
    return nullptr;
}

OPCTag* OPCTag::appendChild(std::unique_ptr<OPCTag> owned)
{
    OPCTag* child = owned.get();
    if (!m_children) m_children = std::make_unique<Children>();
    Children& children = *m_children;
    // The index is built when the node outgrows a walk, and kept while it has children.
    if (children.index.empty() && children.count == kIndexThreshold)
        for (OPCTag* sibling = children.first; sibling; sibling = sibling->m_nextSibling)
            children.index.insert(sibling);
    if (!children.index.empty()) children.index.insert(child);
    owned.release();
    child->m_parent = this;
    child->m_prevSibling = children.last;
    child->m_nextSibling = nullptr;
    (children.last ? children.last->m_nextSibling : children.first) = child;
    children.last = child;
    ++children.count;
    return child;
}

std::unique_ptr<OPCTag> OPCTag::detachChild(OPCTag* child) noexcept
{
    Children& children = *m_children;
    children.index.erase(child);
    (child->m_prevSibling ? child->m_prevSibling->m_nextSibling : children.first) =
        child->m_nextSibling;
    (child->m_nextSibling ? child->m_nextSibling->m_prevSibling : children.last) =
        child->m_prevSibling;
    child->m_parent = child->m_prevSibling = child->m_nextSibling = nullptr;
    if (--children.count == 0) m_children.reset();
    return std::unique_ptr<OPCTag>(child);
}

void OPCTag::destroyChildren() noexcept
{
    // Iterative: a name of thousands of components must not exhaust the stack. Each node's
    // children are spliced into the pending chain before the node itself goes.
    if (!m_children) return;
    OPCTag* pending = m_children->first;
    m_children.reset();
    while (pending) {
        OPCTag* node = pending;
        pending = node->m_nextSibling;
        if (node->m_children) {
            node->m_children->last->m_nextSibling = pending;
            pending = node->m_children->first;
            node->m_children.reset();
        }
        delete node;
    }
}

std::string_view OPCTag::shortName() const noexcept
{
    const std::string_view name = this->name();
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

} // namespace vetrel
