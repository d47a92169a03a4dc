// Which classes a search by component categories (EnumClassesOfCategories) answers with: those that
// implement at least one of the implemented categories asked for and require no category outside
// the required ones given.
#pragma once

#include "vetrel/com.h"

#include <optional>
#include <vector>

namespace vetrel {

// A count of (ULONG)-1 lifts its condition, as the component category manager reads it.
inline constexpr ULONG kAnyCategory = static_cast<ULONG>(-1);

class CategoryFilter
{
public:
    // The filter of a client's arguments; E_INVALIDARG when no implemented category is asked
    // for (a count of 0) or a count has no array. Throws std::bad_alloc.
    static HRESULT fromArguments(ULONG cImplemented, const GUID* implemented, ULONG cRequired,
                                 const GUID* required, CategoryFilter& filter);

    // Whether a class with these categories, as registered, belongs in the answer.
    bool admits(const std::vector<GUID>& implementedByClass,
                const std::vector<GUID>& requiredByClass) const;

private:
    // Empty where the count lifted the condition.
    std::optional<std::vector<GUID>> m_implemented;
    std::optional<std::vector<GUID>> m_required;
};

} // namespace vetrel
