// The edge of every COM method: nothing thrown below it reaches a client.
#pragma once

#include "vetrel/com.h"

#include <new>

namespace vetrel {

template <typename Body> HRESULT comBoundary(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace vetrel
