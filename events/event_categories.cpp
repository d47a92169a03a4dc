#include "events/event_categories.h"

#include "comkit/client_arrays.h"
#include "comkit/client_text.h"

namespace vetrel {

const EventCategory* findEventCategory(DWORD id) noexcept
{
    for (const EventCategory& category : kEventCategories)
        if (category.id == id) return &category;
    return nullptr;
}

HRESULT handOutTexts(std::span<const char* const> texts, DWORD* count, LPWSTR** array) noexcept
{
    *count = 0;
    *array = nullptr;
    if (texts.empty()) return S_OK;
    auto strings = allocateCleared<LPWSTR>(texts.size());
    if (!strings) return E_OUTOFMEMORY;
    for (size_t i = 0; i < texts.size(); ++i) {
        strings[i] = toClientText(texts[i]);
        if (strings[i]) continue;
        for (size_t made = 0; made < i; ++made) TaskMem<WCHAR>::adopt(strings[made], 1).reset();
        return E_OUTOFMEMORY;
    }
    *count = static_cast<DWORD>(texts.size());
    *array = strings.release();
    return S_OK;
}

} // namespace vetrel
