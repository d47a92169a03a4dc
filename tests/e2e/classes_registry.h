// Reading HKEY_CLASSES_ROOT as COM does: GUIDs as registry text, and keys' default values.
#pragma once

#include "vetrel/com.h"

#include <string>

namespace e2e {

inline std::string guidText(const GUID& guid)
{
    OLECHAR wide[40];
    const int length = StringFromGUID2(guid, wide, 40);
    return std::string(wide, wide + (length > 0 ? length - 1 : 0));
}

// The default value of HKEY_CLASSES_ROOT\path, or empty.
inline std::string classesValue(const std::string& path)
{
    char data[512] = {};
    LONG size = sizeof data - 1;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, path.c_str(), data, &size) != ERROR_SUCCESS) return {};
    return data;
}

} // namespace e2e
