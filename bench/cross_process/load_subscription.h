// The example host's load tags (--load N) as the cross-process benchmarks subscribe to them.
#pragma once

#include "advice.h"
#include "data_sink.h"
#include "probe_group.h"
#include "session.h"

#include <functional>
#include <optional>

namespace bench {

// How many load tags the host updates every server period.
void setLoad(opcprobe::Session& session, int updatedTags);

// An active group at rate, without deadband, over the first items load tags, whose data
// callback hands every call to onCall.
class LoadSubscription
{
public:
    LoadSubscription(IOPCServer* server, int items, DWORD rate,
                     std::function<void(const opcprobe::DataCallback&)> onCall);

    IUnknown* group() const { return m_group.object(); }

private:
    opcprobe::ProbeGroup m_group;
    vetrel::ComPtr<opcprobe::DataSink> m_sink;
    std::optional<opcprobe::Advice> m_advice;
};

} // namespace bench
