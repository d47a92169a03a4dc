#include "comkit/class_registry.h"

#include "comkit/guid_text.h"
#include "comkit/registry_read.h"
#include "platform/reg_key.h"

namespace vetrel {
namespace {

// The categories listed as subkeys of the class's key; names that are no GUID are left out.
std::vector<GUID> categoriesUnder(const std::string& classKey, const char* list)
{
    std::vector<GUID> categories;
    for (const std::string& name : subkeyNames(HKEY_CLASSES_ROOT, (classKey + list).c_str()))
        if (const auto category = parseGuid(name)) categories.push_back(*category);
    return categories;
}

} // namespace

std::vector<CLSID> classesAdmittedBy(const CategoryFilter& filter)
{
    std::vector<CLSID> classes;
    for (const std::string& name : subkeyNames(HKEY_CLASSES_ROOT, "CLSID")) {
        const auto clsid = parseGuid(name);
        if (!clsid) continue;
        const std::string classKey = "CLSID\\" + name;
        if (filter.admits(categoriesUnder(classKey, "\\Implemented Categories"),
                          categoriesUnder(classKey, "\\Required Categories")))
            classes.push_back(*clsid);
    }
    return classes;
}

std::optional<ClassDetails> classDetails(const CLSID& clsid)
{
    const std::string classKey = "CLSID\\" + formatGuid(clsid);
    const auto userType = registryText(HKEY_CLASSES_ROOT, classKey.c_str());
    // A key without a default value is registered all the same.
    if (!userType && !RegKey::open(HKEY_CLASSES_ROOT, classKey.c_str(), KEY_READ))
        return std::nullopt;
    const auto text = [&](const char* subKey) {
        return registryText(HKEY_CLASSES_ROOT, (classKey + subKey).c_str()).value_or("");
    };
    return ClassDetails{text("\\ProgID"), userType.value_or(""),
                        text("\\VersionIndependentProgID")};
}

} // namespace vetrel
