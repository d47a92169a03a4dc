#include "watch_da3.h"

#include "platform/com_ptr.h"
#include "session.h"

#include <iostream>

namespace opcprobe {

using vetrel::ComPtr;

std::optional<std::chrono::milliseconds> agreeKeepAlive(IUnknown* group,
                                                        std::chrono::milliseconds period)
{
    ComPtr<IOPCGroupStateMgt2> state;
    HRESULT hr = group->QueryInterface(IID_IOPCGroupStateMgt2, state.putVoid());
    DWORD granted = 0;
    if (SUCCEEDED(hr)) hr = state->SetKeepAlive(static_cast<DWORD>(period.count()), &granted);
    if (FAILED(hr) || granted == 0) {
        std::cerr << "opcprobe: " << ProbeFailure("SetKeepAlive", FAILED(hr) ? hr : E_FAIL).what()
                  << "; the server's status is asked for instead\n";
        return std::nullopt;
    }
    return std::chrono::milliseconds(granted);
}

void refreshAtOnce(IUnknown* group)
{
    ComPtr<IOPCAsyncIO3> async;
    HRESULT hr = group->QueryInterface(IID_IOPCAsyncIO3, async.putVoid());
    DWORD cancel = 0;
    if (SUCCEEDED(hr)) hr = async->RefreshMaxAge(0xFFFFFFFF, kWatchRefreshTransaction, &cancel);
    if (FAILED(hr))
        std::cerr << "opcprobe: " << ProbeFailure("RefreshMaxAge", hr).what()
                  << "; the values come with the group's first update\n";
}

std::vector<std::string> RepeatFilter::novel(const DataCallback& call,
                                             std::vector<std::string> lines)
{
    std::vector<std::string> kept;
    std::lock_guard held(m_lock);
    for (size_t i = 0; i < lines.size() && i < call.entries.size(); ++i) {
        const OPCHANDLE item = call.entries[i].clientHandle;
        if (item < m_printed.size()) {
            if (m_printed[item] == lines[i]) continue;
            m_printed[item] = lines[i];
        }
        kept.push_back(std::move(lines[i]));
    }
    return kept;
}

} // namespace opcprobe
