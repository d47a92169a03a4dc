// A bare group: the least a server does to answer an OPC group's calls with their payloads, so
// that what the wire and COM cost alone shows beside the product's figures.
#include "bare_object.h"
#include "bare_objects.h"

#include <mutex>
#include <new>
#include <vector>

namespace {

constexpr WORD kGoodQuality = 0xC0;
constexpr DWORD kReadWrite = 3;

// VariantCopy leaves its source alone, though this toolchain declares it otherwise.
HRESULT copyVariant(VARIANT& to, const VARIANT& from)
{
    return VariantCopy(&to, const_cast<VARIANT*>(&from));
}

// VARIANTs this code owns.
class Values
{
public:
    Values() = default;
    Values(const Values&) = delete;
    Values& operator=(const Values&) = delete;
    ~Values() { clear(); }

    // Copies of count values; E_OUTOFMEMORY, or a copy's error, leaves none.
    HRESULT assign(DWORD count, const VARIANT* values)
    {
        return fill(count, [values](DWORD i) -> const VARIANT& { return values[i]; });
    }
    // count copies of source's values taken in turn.
    HRESULT assignInTurn(const Values& source, DWORD count)
    {
        return fill(count, [&source](DWORD i) -> const VARIANT& { return source.at(i); });
    }

    void clear()
    {
        for (VARIANT& value : m_values) VariantClear(&value);
        m_values.clear();
    }

    // The value at item index i, the values taken in turn; VT_EMPTY while there are none.
    const VARIANT& at(DWORD i) const
    {
        return m_values.empty() ? m_empty : m_values[i % m_values.size()];
    }
    VARIANT* data() { return m_values.data(); }

private:
    template <typename Source> HRESULT fill(DWORD count, Source source)
    {
        clear();
        try {
            m_values.resize(count);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        for (VARIANT& value : m_values) VariantInit(&value);
        for (DWORD i = 0; i < count; ++i) {
            const HRESULT hr = copyVariant(m_values[i], source(i));
            if (FAILED(hr)) {
                clear();
                return hr;
            }
        }
        return S_OK;
    }

    std::vector<VARIANT> m_values;
    VARIANT m_empty{};
};

// Task memory for count entries and count errors, zeroed, both or neither.
template <typename Entry> HRESULT allocateResults(DWORD count, Entry** entries, HRESULT** errors)
{
    *entries = static_cast<Entry*>(CoTaskMemAlloc(sizeof(Entry) * count));
    *errors = static_cast<HRESULT*>(CoTaskMemAlloc(sizeof(HRESULT) * count));
    if (!*entries || !*errors) {
        CoTaskMemFree(*entries);
        CoTaskMemFree(*errors);
        *entries = nullptr;
        *errors = nullptr;
        return E_OUTOFMEMORY;
    }
    ZeroMemory(*entries, sizeof(Entry) * count);
    ZeroMemory(*errors, sizeof(HRESULT) * count);
    return S_OK;
}

class BareGroup final : public BareObject<IBareGroup>
{
public:
    HRESULT STDMETHODCALLTYPE AddItems(DWORD count, BAREITEMDEF* definitions,
                                       BAREITEMRESULT** results, HRESULT** errors) override
    {
        if (!definitions || !results || !errors) return E_POINTER;
        if (FAILED(allocateResults(count, results, errors))) return E_OUTOFMEMORY;
        const std::lock_guard held(m_lock);
        for (DWORD i = 0; i < count; ++i) {
            BAREITEMRESULT& result = (*results)[i];
            result.serverHandle = ++m_lastItem;
            result.canonicalType = V_VT(&m_values.at(i));
            result.accessRights = kReadWrite;
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetValues(DWORD count, VARIANT* values) override
    {
        if (!values && count) return E_POINTER;
        const std::lock_guard held(m_lock);
        return m_values.assign(count, values);
    }

    HRESULT STDMETHODCALLTYPE Read(DWORD count, DWORD* serverHandles, BAREITEMSTATE** states,
                                   HRESULT** errors) override
    {
        if (!serverHandles || !states || !errors) return E_POINTER;
        if (FAILED(allocateResults(count, states, errors))) return E_OUTOFMEMORY;
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        const std::lock_guard held(m_lock);
        for (DWORD i = 0; i < count; ++i) {
            BAREITEMSTATE& state = (*states)[i];
            state.clientHandle = serverHandles[i];
            state.timestamp = now;
            state.quality = kGoodQuality;
            (*errors)[i] = copyVariant(state.value, m_values.at(i));
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SendDataChanges(IBareDataSink* sink, DWORD calls,
                                              DWORD count) override
    {
        if (!sink) return E_POINTER;
        for (DWORD call = 0; call < calls; ++call) {
            const HRESULT hr = sendDataChange(*sink, call + 1, count);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }

private:
    // One report, its arrays made afresh from the values as a server's report is.
    HRESULT sendDataChange(IBareDataSink& sink, DWORD transaction, DWORD count)
    {
        std::vector<DWORD> clientHandles;
        std::vector<WORD> qualities;
        std::vector<FILETIME> timestamps;
        std::vector<HRESULT> errors;
        try {
            clientHandles.resize(count);
            qualities.assign(count, kGoodQuality);
            timestamps.resize(count);
            errors.assign(count, S_OK);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        Values values;
        {
            const std::lock_guard held(m_lock);
            const HRESULT copied = values.assignInTurn(m_values, count);
            if (FAILED(copied)) return copied;
        }
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        for (DWORD i = 0; i < count; ++i) {
            clientHandles[i] = i + 1;
            timestamps[i] = now;
        }
        return sink.OnDataChange(transaction, 1, S_OK, S_OK, count, clientHandles.data(),
                                 values.data(), qualities.data(), timestamps.data(), errors.data());
    }

    std::mutex m_lock;
    DWORD m_lastItem = 0;
    Values m_values;
};

} // namespace

IBareGroup* newBareGroup()
{
    return new (std::nothrow) BareGroup;
}
