#include "group/data_callback.h"

#include "group/item_io.h"
#include "platform/task_mem.h"

namespace vetrel {
namespace {

using platform::ComPtr;
using platform::TaskMem;

// The five arrays of a data callback in one block of the task allocator. They are laid out by
// alignment (values first), so every array is aligned for the build's bitness whatever the
// count; the client receives one pointer per array.
class DataCallbackBlock
{
public:
    static constexpr size_t kBytesPerItem =
        sizeof(VARIANT) + sizeof(FILETIME) + sizeof(OPCHANDLE) + sizeof(HRESULT) + sizeof(WORD);

    explicit DataCallbackBlock(size_t count) noexcept
        : m_count(count), m_block(TaskMem<BYTE>::allocate(count * kBytesPerItem))
    {
        for (size_t i = 0; m_block && i < count; ++i) VariantInit(&values()[i]);
    }
    DataCallbackBlock(DataCallbackBlock&&) noexcept = default;
    ~DataCallbackBlock()
    {
        for (size_t i = 0; m_block && i < m_count; ++i) VariantClear(&values()[i]);
    }

    explicit operator bool() const noexcept { return static_cast<bool>(m_block); }
    DWORD count() const noexcept { return static_cast<DWORD>(m_count); }
    VARIANT* values() const noexcept { return reinterpret_cast<VARIANT*>(m_block.get()); }
    FILETIME* timestamps() const noexcept
    {
        return reinterpret_cast<FILETIME*>(values() + m_count);
    }
    OPCHANDLE* clientHandles() const noexcept
    {
        return reinterpret_cast<OPCHANDLE*>(timestamps() + m_count);
    }
    HRESULT* errors() const noexcept
    {
        return reinterpret_cast<HRESULT*>(clientHandles() + m_count);
    }
    WORD* qualities() const noexcept { return reinterpret_cast<WORD*>(errors() + m_count); }

private:
    size_t m_count;
    TaskMem<BYTE> m_block;
};

class DataCallbackDelivery final : public ClientDelivery
{
public:
    DataCallbackDelivery(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle, DWORD transactionId,
                         CallbackKind kind, DataCallbackBlock block) noexcept
        : m_sink(std::move(sink)), m_groupHandle(groupHandle), m_transactionId(transactionId),
          m_kind(kind), m_block(std::move(block))
    {}

    void send() noexcept override
    {
        HRESULT masterQuality = S_OK;
        for (DWORD i = 0; i < m_block.count(); ++i)
            if (m_block.qualities()[i] != OPC_QUALITY_GOOD) masterQuality = S_FALSE;
        const auto call = m_kind == CallbackKind::DataChange ? &IOPCDataCallback::OnDataChange
                                                             : &IOPCDataCallback::OnReadComplete;
        (m_sink.get()->*call)(m_transactionId, m_groupHandle, masterQuality, S_OK, m_block.count(),
                              m_block.clientHandles(), m_block.values(), m_block.qualities(),
                              m_block.timestamps(), m_block.errors());
    }

private:
    ComPtr<IOPCDataCallback> m_sink;
    OPCHANDLE m_groupHandle;
    DWORD m_transactionId;
    CallbackKind m_kind;
    DataCallbackBlock m_block;
};

// n client handles, then n results.
class WriteCompleteDelivery final : public ClientDelivery
{
public:
    WriteCompleteDelivery(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle, DWORD transactionId,
                          size_t count, TaskMem<BYTE> block) noexcept
        : m_sink(std::move(sink)), m_groupHandle(groupHandle), m_transactionId(transactionId),
          m_count(count), m_block(std::move(block))
    {}

    OPCHANDLE* clientHandles() const noexcept
    {
        return reinterpret_cast<OPCHANDLE*>(m_block.get());
    }
    HRESULT* results() const noexcept
    {
        return reinterpret_cast<HRESULT*>(clientHandles() + m_count);
    }

    void send() noexcept override
    {
        HRESULT masterError = S_OK;
        for (size_t i = 0; i < m_count; ++i)
            if (results()[i] != S_OK) masterError = S_FALSE;
        m_sink->OnWriteComplete(m_transactionId, m_groupHandle, masterError,
                                static_cast<DWORD>(m_count), clientHandles(), results());
    }

private:
    ComPtr<IOPCDataCallback> m_sink;
    OPCHANDLE m_groupHandle;
    DWORD m_transactionId;
    size_t m_count;
    TaskMem<BYTE> m_block;
};

class CancelCompleteDelivery final : public ClientDelivery
{
public:
    CancelCompleteDelivery(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle,
                           DWORD transactionId) noexcept
        : m_sink(std::move(sink)), m_groupHandle(groupHandle), m_transactionId(transactionId)
    {}

    void send() noexcept override { m_sink->OnCancelComplete(m_transactionId, m_groupHandle); }

private:
    ComPtr<IOPCDataCallback> m_sink;
    OPCHANDLE m_groupHandle;
    DWORD m_transactionId;
};

} // namespace

void prepareDataCallback(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle, DWORD transactionId,
                         CallbackKind kind, std::span<OPCItem* const> items, ClientDeliveries& due)
{
    DataCallbackBlock block(items.size());
    if (!block) return;
    for (size_t i = 0; i < items.size(); ++i) {
        // A value that cannot take the requested type shows only as quality 0.
        readItemValue(*items[i], block.values()[i], block.qualities()[i], block.timestamps()[i]);
        block.clientHandles()[i] = items[i]->m_clientHandle;
        block.errors()[i] = S_OK;
    }
    due.push_back(std::make_unique<DataCallbackDelivery>(std::move(sink), groupHandle,
                                                         transactionId, kind, std::move(block)));
}

void prepareWriteComplete(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle, DWORD transactionId,
                          std::span<const OPCHANDLE> clientHandles,
                          std::span<const HRESULT> results, ClientDeliveries& due)
{
    const size_t count = results.size();
    auto block = TaskMem<BYTE>::allocate(count * (sizeof(OPCHANDLE) + sizeof(HRESULT)));
    if (!block) return;
    auto delivery = std::make_unique<WriteCompleteDelivery>(std::move(sink), groupHandle,
                                                            transactionId, count, std::move(block));
    std::copy(clientHandles.begin(), clientHandles.end(), delivery->clientHandles());
    std::copy(results.begin(), results.end(), delivery->results());
    due.push_back(std::move(delivery));
}

void prepareCancelComplete(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle,
                           DWORD transactionId, ClientDeliveries& due)
{
    due.push_back(
        std::make_unique<CancelCompleteDelivery>(std::move(sink), groupHandle, transactionId));
}

} // namespace vetrel
