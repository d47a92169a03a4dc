// The bare server's data callback as a benchmark receives it: every call goes on, as the same
// OnDataChange, to the sink that receives the product's, so that one piece of code takes both.
#pragma once

#include "bare_identity.h"
#include "platform/com_ptr.h"
#include "sink_object.h"
#include "vetrel/opc.h"

namespace bench {

class BareDataSink final : public opcprobe::SinkObject<IBareDataSink>
{
public:
    static vetrel::ComPtr<BareDataSink> create(IOPCDataCallback* target)
    {
        return vetrel::ComPtr<BareDataSink>(new BareDataSink(target));
    }

    HRESULT STDMETHODCALLTYPE OnDataChange(DWORD transaction, DWORD group, HRESULT masterQuality,
                                           HRESULT masterError, DWORD count, DWORD* clientHandles,
                                           VARIANT* values, WORD* qualities, FILETIME* timestamps,
                                           HRESULT* errors) noexcept override
    {
        return m_target->OnDataChange(transaction, group, masterQuality, masterError, count,
                                      clientHandles, values, qualities, timestamps, errors);
    }

private:
    explicit BareDataSink(IOPCDataCallback* target)
        : SinkObject(IID_IBareDataSink), m_target(target)
    {}

    const vetrel::ComPtr<IOPCDataCallback> m_target;
};

} // namespace bench
