// What the DA 3.0 structures a server hands out point to, given back to the allocator.
#pragma once

#include "vetrel/opc.h"

namespace opcprobe {

// A string the server handed out; null is nothing.
void freeText(LPWSTR text) noexcept;

// The strings and values of properties' entries, and the array of them; properties is emptied.
void freeItemProperties(OPCITEMPROPERTIES& properties) noexcept;
// Everything count elements point to, and the array itself.
void freeBrowseElements(OPCBROWSEELEMENT* elements, DWORD count) noexcept;

} // namespace opcprobe
