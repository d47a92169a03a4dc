#include "load_subscription.h"

#include "load_tags.h"

#include <string>
#include <utility>
#include <vector>

namespace bench {
namespace {

opcprobe::GroupSettings loadSettings(DWORD rate)
{
    opcprobe::GroupSettings settings;
    settings.active = true;
    settings.updateRate = rate;
    settings.deadband = 0.0f;
    return settings;
}

} // namespace

void setLoad(opcprobe::Session& session, int updatedTags)
{
    const auto results =
        session.write({{std::string(example::kLoadActive), std::to_string(updatedTags)}});
    if (FAILED(results.front().error))
        throw opcprobe::ProbeFailure("Writing " + std::string(example::kLoadActive),
                                     results.front().error);
}

LoadSubscription::LoadSubscription(IOPCServer* server, int items, DWORD rate,
                                   std::function<void(const opcprobe::DataCallback&)> onCall)
    : m_group(server, loadSettings(rate)),
      m_sink(opcprobe::DataSink::create(
          [onCall = std::move(onCall)](opcprobe::DataCallback call) { onCall(call); }))
{
    std::vector<std::string> names;
    for (int i = 0; i < items; ++i) names.push_back(example::loadTagName(i));
    for (const opcprobe::AddedItem& item : m_group.addItems(names))
        if (FAILED(item.error)) throw opcprobe::ProbeFailure("AddItems", item.error);
    m_advice.emplace(m_group.object(), IID_IOPCDataCallback, m_sink.get(), "the data callback");
}

} // namespace bench
