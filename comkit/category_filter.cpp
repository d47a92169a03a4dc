#include "comkit/category_filter.h"

#include <algorithm>

namespace vetrel {
namespace {

bool contains(const std::vector<GUID>& categories, const GUID& category)
{
    return std::ranges::any_of(categories,
                               [&](const GUID& listed) { return IsEqualGUID(listed, category); });
}

// The categories of one argument pair; E_INVALIDARG for a count without its array.
HRESULT categoriesOf(ULONG count, const GUID* array, std::optional<std::vector<GUID>>& categories)
{
    if (count == kAnyCategory) return S_OK;
    if (count > 0 && !array) return E_INVALIDARG;
    categories.emplace(array, array + count);
    return S_OK;
}

} // namespace

HRESULT CategoryFilter::fromArguments(ULONG cImplemented, const GUID* implemented, ULONG cRequired,
                                      const GUID* required, CategoryFilter& filter)
{
    // No class implements one of no categories: a client asking so has its arguments wrong.
    if (cImplemented == 0) return E_INVALIDARG;
    CategoryFilter made;
    if (const HRESULT hr = categoriesOf(cImplemented, implemented, made.m_implemented); FAILED(hr))
        return hr;
    if (const HRESULT hr = categoriesOf(cRequired, required, made.m_required); FAILED(hr))
        return hr;
    filter = std::move(made);
    return S_OK;
}

bool CategoryFilter::admits(const std::vector<GUID>& implementedByClass,
                            const std::vector<GUID>& requiredByClass) const
{
    if (m_implemented && !std::ranges::any_of(*m_implemented, [&](const GUID& category) {
            return contains(implementedByClass, category);
        }))
        return false;
    return !m_required || std::ranges::all_of(requiredByClass, [&](const GUID& category) {
        return contains(*m_required, category);
    });
}

} // namespace vetrel
