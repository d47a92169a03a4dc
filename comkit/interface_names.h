// Names of well-known COM interfaces for the QueryInterface trace lines of every object.
#pragma once

#include "vetrel/com.h"

namespace vetrel {

// The trace suffix for an interface an object does not answer: " IID_IMarshal" and the like
// for the well-known COM identifiers, an empty text for anything else.
const char* unansweredInterfaceSuffix(REFIID riid) noexcept;

} // namespace vetrel
