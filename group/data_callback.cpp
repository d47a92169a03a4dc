#include "group/data_callback.h"

#include "group/item_io.h"
#include "platform/task_mem.h"
#include "platform/variant.h"

#include <unordered_map>
#include <utility>

namespace vetrel {
namespace {

// The five arrays of a data callback in one block of the task allocator, and the items' server
// handles, which a merge matches items by. They are laid out by alignment (values first), so
// every array is aligned for the build's bitness whatever the count; the client receives one
// pointer per array.
class DataCallbackBlock
{
public:
    static constexpr size_t kBytesPerItem =
        sizeof(VARIANT) + sizeof(FILETIME) + 2 * sizeof(OPCHANDLE) + sizeof(HRESULT) + sizeof(WORD);

    explicit DataCallbackBlock(size_t count) noexcept
        : m_count(count), m_block(TaskMem<BYTE>::allocate(count * kBytesPerItem))
    {
        for (size_t i = 0; m_block && i < count; ++i) VariantInit(&values()[i]);
    }
    DataCallbackBlock(DataCallbackBlock&&) noexcept = default;
    DataCallbackBlock& operator=(DataCallbackBlock&& other) noexcept
    {
        clearValues();
        m_count = std::exchange(other.m_count, 0);
        m_block = std::move(other.m_block);
        return *this;
    }
    ~DataCallbackBlock() { clearValues(); }

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
    OPCHANDLE* serverHandles() const noexcept
    {
        return reinterpret_cast<OPCHANDLE*>(errors() + m_count);
    }
    WORD* qualities() const noexcept { return reinterpret_cast<WORD*>(serverHandles() + m_count); }

    // Entry from of source into entry to of this block, replacing what was there; the source
    // entry's value is left empty.
    void take(size_t to, DataCallbackBlock& source, size_t from) noexcept
    {
        clearValue(values()[to]);
        values()[to] = source.values()[from];
        source.values()[from].vt = VT_EMPTY;
        timestamps()[to] = source.timestamps()[from];
        clientHandles()[to] = source.clientHandles()[from];
        errors()[to] = source.errors()[from];
        serverHandles()[to] = source.serverHandles()[from];
        qualities()[to] = source.qualities()[from];
    }

    // The entries of older, each replaced by newer's entry of the same item, then newer's
    // entries of other items. Throws std::bad_alloc, leaving both as they were.
    static DataCallbackBlock merged(DataCallbackBlock& older, DataCallbackBlock& newer)
    {
        std::unordered_map<OPCHANDLE, size_t> olderAt;
        olderAt.reserve(older.m_count);
        for (size_t i = 0; i < older.m_count; ++i) olderAt.emplace(older.serverHandles()[i], i);
        size_t added = 0;
        for (size_t i = 0; i < newer.m_count; ++i)
            added += olderAt.contains(newer.serverHandles()[i]) ? 0 : 1;
        DataCallbackBlock result(older.m_count + added);
        if (!result) throw std::bad_alloc();
        for (size_t i = 0; i < older.m_count; ++i) result.take(i, older, i);
        size_t next = older.m_count;
        for (size_t i = 0; i < newer.m_count; ++i) {
            const auto found = olderAt.find(newer.serverHandles()[i]);
            result.take(found != olderAt.end() ? found->second : next++, newer, i);
        }
        return result;
    }

private:
    void clearValues() noexcept
    {
        for (size_t i = 0; m_block && i < m_count; ++i) clearValue(values()[i]);
    }

    size_t m_count;
    TaskMem<BYTE> m_block;
};

class DataCallbackDelivery final : public ClientDelivery
{
public:
    DataCallbackDelivery(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle, DWORD transactionId,
                         CallbackKind kind, std::uint64_t mergeKey,
                         DataCallbackBlock block) noexcept
        : m_sink(std::move(sink)), m_groupHandle(groupHandle), m_transactionId(transactionId),
          m_kind(kind), m_mergeKey(mergeKey), m_block(std::move(block))
    {}

    const char* method() const noexcept override
    {
        return m_kind == CallbackKind::DataChange ? "IOPCDataCallback::OnDataChange"
                                                  : "IOPCDataCallback::OnReadComplete";
    }
    std::uint64_t mergeKey() const noexcept override { return m_mergeKey; }
    void merge(ClientDelivery& newer) override
    {
        auto& report = static_cast<DataCallbackDelivery&>(newer);
        m_block = DataCallbackBlock::merged(m_block, report.m_block);
        // The merged report goes where the newer one was addressed.
        m_sink = std::move(report.m_sink);
        m_groupHandle = report.m_groupHandle;
    }

    HRESULT send() noexcept override
    {
        HRESULT masterQuality = S_OK;
        for (DWORD i = 0; i < m_block.count(); ++i)
            if (m_block.qualities()[i] != OPC_QUALITY_GOOD) masterQuality = S_FALSE;
        const auto call = m_kind == CallbackKind::DataChange ? &IOPCDataCallback::OnDataChange
                                                             : &IOPCDataCallback::OnReadComplete;
        return (m_sink.get()->*call)(m_transactionId, m_groupHandle, masterQuality, S_OK,
                                     m_block.count(), m_block.clientHandles(), m_block.values(),
                                     m_block.qualities(), m_block.timestamps(), m_block.errors());
    }

private:
    ComPtr<IOPCDataCallback> m_sink;
    OPCHANDLE m_groupHandle;
    DWORD m_transactionId;
    CallbackKind m_kind;
    std::uint64_t m_mergeKey;
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

    const char* method() const noexcept override { return "IOPCDataCallback::OnWriteComplete"; }
    HRESULT send() noexcept override
    {
        HRESULT masterError = S_OK;
        for (size_t i = 0; i < m_count; ++i)
            if (results()[i] != S_OK) masterError = S_FALSE;
        return m_sink->OnWriteComplete(m_transactionId, m_groupHandle, masterError,
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

    const char* method() const noexcept override { return "IOPCDataCallback::OnCancelComplete"; }
    HRESULT send() noexcept override
    {
        return m_sink->OnCancelComplete(m_transactionId, m_groupHandle);
    }

private:
    ComPtr<IOPCDataCallback> m_sink;
    OPCHANDLE m_groupHandle;
    DWORD m_transactionId;
};

} // namespace

void prepareDataCallback(ComPtr<IOPCDataCallback> sink, OPCHANDLE groupHandle, DWORD transactionId,
                         CallbackKind kind, std::uint64_t mergeKey, std::span<OPCItem* const> items,
                         ClientDeliveries& due)
{
    DataCallbackBlock block(items.size());
    if (!block) return;
    for (size_t i = 0; i < items.size(); ++i) {
        // A value that cannot take the requested type shows only as quality 0.
        readItemValue(*items[i], block.values()[i], block.qualities()[i], block.timestamps()[i]);
        block.clientHandles()[i] = items[i]->m_clientHandle;
        block.errors()[i] = S_OK;
        block.serverHandles()[i] = items[i]->m_serverHandle;
    }
    due.push_back(std::make_unique<DataCallbackDelivery>(
        std::move(sink), groupHandle, transactionId, kind, mergeKey, std::move(block)));
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
