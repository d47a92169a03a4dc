// The arrays a read by max age hands its client beside the errors: values, qualities and
// timestamps, one entry per item asked for.
#pragma once

#include "comkit/client_arrays.h"
#include "vetrel/opc.h"

namespace vetrel {

class ReadArrays
{
public:
    // Cleared: an entry without data is empty, bad and of no time. Check ready() after.
    explicit ReadArrays(DWORD count) noexcept
        : m_count(count), m_values(allocateCleared<VARIANT>(count)),
          m_qualities(allocateCleared<WORD>(count)), m_timestamps(allocateCleared<FILETIME>(count))
    {}
    ReadArrays(const ReadArrays&) = delete;
    ReadArrays& operator=(const ReadArrays&) = delete;
    // Values never handed out are cleared with their arrays.
    ~ReadArrays()
    {
        for (DWORD i = 0; m_values && i < m_count; ++i) VariantClear(&m_values[i]);
    }

    bool ready() const noexcept { return m_values && m_qualities && m_timestamps; }

    // A read's outputs cleared and its arguments checked: S_OK to go on, otherwise the call's
    // answer with every output empty. maxAge is checked for presence only: every value the
    // runtime holds is the host's latest, which meets any age.
    HRESULT accept(const DWORD* maxAge, VARIANT** values, WORD** qualities, FILETIME** timestamps,
                   HRESULT** errors) const noexcept
    {
        clearOutput(values);
        clearOutput(qualities);
        clearOutput(timestamps);
        HRESULT hr = S_OK;
        if (!maxAge || !values || !qualities || !timestamps)
            hr = E_INVALIDARG;
        else if (!ready())
            hr = m_count == 0 ? E_INVALIDARG : E_OUTOFMEMORY;
        if (FAILED(hr)) clearOutput(errors);
        return hr;
    }
    VARIANT& value(DWORD i) noexcept { return m_values[i]; }
    WORD& quality(DWORD i) noexcept { return m_qualities[i]; }
    FILETIME& timestamp(DWORD i) noexcept { return m_timestamps[i]; }

    void handOut(VARIANT** values, WORD** qualities, FILETIME** timestamps) noexcept
    {
        *values = m_values.release();
        *qualities = m_qualities.release();
        *timestamps = m_timestamps.release();
    }

private:
    DWORD m_count;
    TaskMem<VARIANT> m_values;
    TaskMem<WORD> m_qualities;
    TaskMem<FILETIME> m_timestamps;
};

} // namespace vetrel
