// The classes of HKEY_CLASSES_ROOT\CLSID as OPC clients look for them: by their component
// categories, and each with its names. Read here rather than through the system's category
// manager: Wine's admits only a class that implements every category listed, not one of them,
// and takes a count of 0 implemented categories for any class.
#pragma once

#include "comkit/category_filter.h"

#include <optional>
#include <string>
#include <vector>

namespace vetrel {

// The classes the filter admits, in the registry's order. Throws std::bad_alloc.
std::vector<CLSID> classesAdmittedBy(const CategoryFilter& filter);

struct ClassDetails
{
    std::string progId;
    // The default value of the class's key.
    std::string userType;
    std::string versionIndependentProgId;
};

// Empty when the class is not registered; a name the class's key lacks is empty text. Throws
// std::bad_alloc.
std::optional<ClassDetails> classDetails(const CLSID& clsid);

} // namespace vetrel
