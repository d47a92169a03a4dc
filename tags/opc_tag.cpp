#include "tags/opc_tag.h"

#include "tags/timestamp.h"

namespace vetrel {

OPCTag::OPCTag() : m_timestamp(currentFileTime())
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
    if (m_childIndex) {
        const auto found = m_childIndex->find(name);
        return found == m_childIndex->end() ? nullptr : found->second;
    }
    for (OPCTag* child = m_firstChild; child; child = child->m_nextSibling)
        if (child->m_name == name) return child;
    return nullptr;
}

OPCTag* OPCTag::appendChild(std::unique_ptr<OPCTag> owned)
{
    OPCTag* child = owned.get();
    if (m_childIndex || m_childCount + 1 > kIndexThreshold) indexChild(child);
    owned.release();
    child->m_parent = this;
    child->m_prevSibling = m_lastChild;
    child->m_nextSibling = nullptr;
    (m_lastChild ? m_lastChild->m_nextSibling : m_firstChild) = child;
    m_lastChild = child;
    ++m_childCount;
    return child;
}

void OPCTag::indexChild(OPCTag* child)
{
    if (!m_childIndex) {
        auto index = std::make_unique<ChildIndex>();
        index->reserve(m_childCount * 2);
        for (OPCTag* sibling = m_firstChild; sibling; sibling = sibling->m_nextSibling)
            index->try_emplace(sibling->m_name, sibling);
        m_childIndex = std::move(index);
    }
    m_childIndex->try_emplace(child->m_name, child);
}

void OPCTag::unindexChild(OPCTag* child) noexcept
{
    if (!m_childIndex) return;
    const auto found = m_childIndex->find(child->m_name);
    if (found == m_childIndex->end() || found->second != child) return;
    m_childIndex->erase(found);
}

std::unique_ptr<OPCTag> OPCTag::detachChild(OPCTag* child) noexcept
{
    unindexChild(child);
    (child->m_prevSibling ? child->m_prevSibling->m_nextSibling : m_firstChild) =
        child->m_nextSibling;
    (child->m_nextSibling ? child->m_nextSibling->m_prevSibling : m_lastChild) =
        child->m_prevSibling;
    child->m_parent = child->m_prevSibling = child->m_nextSibling = nullptr;
    --m_childCount;
    return std::unique_ptr<OPCTag>(child);
}

void OPCTag::destroyChildren() noexcept
{
    // Iterative: a name of thousands of components must not exhaust the stack. Each node's
    // children are spliced into the pending chain before the node itself goes.
    OPCTag* pending = m_firstChild;
    m_firstChild = m_lastChild = nullptr;
    m_childCount = 0;
    m_childIndex.reset();
    while (pending) {
        OPCTag* node = pending;
        pending = node->m_nextSibling;
        if (node->m_firstChild) {
            node->m_lastChild->m_nextSibling = pending;
            pending = node->m_firstChild;
            node->m_firstChild = node->m_lastChild = nullptr;
        }
        delete node;
    }
}

std::string_view OPCTag::shortName() const noexcept
{
    const std::string_view name = m_name;
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

} // namespace vetrel
