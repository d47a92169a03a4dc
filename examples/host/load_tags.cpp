#include "load_tags.h"

#include "vetrel/vetrel.h"

#include <algorithm>

namespace example {
namespace {

constexpr WORD kGood = 0xC0;

// A number needs no clean-up, so a plain VARIANT carries it.
VARIANT number(VARTYPE type, double value)
{
    VARIANT variant;
    VariantInit(&variant);
    variant.vt = VT_R8;
    variant.dblVal = value;
    VariantChangeType(&variant, &variant, 0, type);
    return variant;
}

} // namespace

LoadTags::LoadTags(int count)
{
    if (count <= 0) return;
    m_active = CreateTag(std::string(kLoadActive), number(VT_I4, 0), kGood, TRUE);
    m_tags.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        m_tags.push_back(CreateTag(loadTagName(i), number(VT_R8, 0), kGood, FALSE));
}

void LoadTags::step()
{
    if (m_tags.empty()) return;
    VARIANT active;
    VariantInit(&active);
    const bool known =
        ReadTag(m_active, &active) && SUCCEEDED(VariantChangeType(&active, &active, 0, VT_I4));
    const LONG wanted = known ? std::max<LONG>(0, active.lVal) : 0;
    VariantClear(&active);
    const size_t count = std::min(m_tags.size(), static_cast<size_t>(wanted));
    for (size_t i = 0; i < count; ++i)
        UpdateTag(m_tags[i], number(VT_R8, clockMilliseconds()), kGood);
}

} // namespace example
