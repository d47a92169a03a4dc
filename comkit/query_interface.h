// The QueryInterface of every object of the runtime: one table of answers, one trace line.
#pragma once

#include "vetrel/com.h"

#include <span>

namespace vetrel {

// One interface an object knows by name: the object that answers it (null for an interface
// the object refuses) and the suffix of the trace line.
struct InterfaceRow
{
    const IID& iid;
    const char* suffix;
    IUnknown* answer;
};

// Sends text followed by the suffix of riid (the first matching row, else the well-known
// name table) and, when a row answers, hands out that row's object with one more reference on
// owner. refuse: the owner is inert and answers nothing but its identity.
HRESULT answerQueryInterface(const char* text, std::span<const InterfaceRow> rows, REFIID riid,
                             void** object, IUnknown& owner, bool refuse = false) noexcept;

} // namespace vetrel
