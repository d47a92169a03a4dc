// The position of an enumerator over its snapshot, and the rules that every enumerator of the
// runtime (groups, item attributes, strings) follows for Next, Skip and Reset. The caller
// holds the runtime lock.
#pragma once

#include "vetrel/com.h"

#include <algorithm>
#include <cstddef>

namespace vetrel {

class EnumCursor
{
public:
    explicit EnumCursor(size_t position = 0) noexcept : m_position(position) {}

    size_t position() const noexcept { return m_position; }

    // What Next may hand out of a snapshot of size elements: S_OK with count set (fewer than
    // celt when the snapshot ends first), or S_FALSE (nothing left) or E_POINTER (several
    // asked for without room for the count) with nothing to hand out.
    HRESULT next(size_t size, ULONG celt, const ULONG* pceltFetched, size_t& count) const noexcept
    {
        if (size == 0) return S_FALSE;
        if (!pceltFetched && celt != 1) return E_POINTER;
        if (m_position >= size) return S_FALSE;
        count = std::min<size_t>(celt, size - m_position);
        return S_OK;
    }

    // Moves past the count elements Next handed out, tells the client how many, and gives
    // Next's answer: S_OK only for a full batch. The standard marshalling of IEnumString and
    // IEnumUnknown takes S_OK to mean that all celt elements are there, and would hand a client
    // in another process empty entries for the missing ones.
    HRESULT advance(size_t count, ULONG celt, ULONG* pceltFetched) noexcept
    {
        m_position += count;
        if (pceltFetched) *pceltFetched = static_cast<ULONG>(count);
        return count == celt ? S_OK : S_FALSE;
    }

    // A skip that would reach the end does not move: S_FALSE.
    HRESULT skip(size_t size, ULONG celt) noexcept
    {
        if (m_position + celt >= size) return S_FALSE;
        m_position += celt;
        return S_OK;
    }

    void reset() noexcept { m_position = 0; }

private:
    size_t m_position;
};

} // namespace vetrel
