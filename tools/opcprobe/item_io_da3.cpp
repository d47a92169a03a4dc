// The read and write commands through IOPCItemIO: by item ID, without a group. A write learns
// each item's type and access rights from IOPCBrowse::GetProperties, as the 2.0 path learns them
// from AddItems, so both paths parse and report the same way.
#include "item_io_da3.h"

#include "da3_memory.h"
#include "platform/com_ptr.h"
#include "platform/task_mem.h"
#include "wide_text.h"
#include "write_plan.h"

namespace opcprobe {
namespace {

using vetrel::TaskMem;

// The item IDs as the server takes them; the texts live in wide.
std::vector<LPCWSTR> itemIDs(const std::vector<std::string>& items,
                             std::vector<std::basic_string<OLECHAR>>& wide)
{
    std::vector<LPCWSTR> ids;
    for (const std::string& item : items) wide.push_back(widen(item));
    for (const auto& text : wide) ids.push_back(reinterpret_cast<LPCWSTR>(text.c_str()));
    return ids;
}

// An item's type and rights from its properties 1 and 5, or why the server could not tell.
WriteTarget targetOf(OPCITEMPROPERTIES& properties)
{
    WriteTarget target{properties.hrErrorID};
    for (DWORD i = 0; SUCCEEDED(target.error) && i < properties.dwNumProperties; ++i) {
        const OPCITEMPROPERTY& property = properties.pItemProperties[i];
        if (FAILED(property.hrErrorID)) {
            target.error = property.hrErrorID;
        } else if (property.dwPropertyID == OPC_PROPERTY_DATATYPE && property.vValue.vt == VT_I2) {
            target.canonicalType = static_cast<VARTYPE>(property.vValue.iVal);
        } else if (property.dwPropertyID == OPC_PROPERTY_ACCESS_RIGHTS &&
                   property.vValue.vt == VT_I4) {
            target.accessRights = static_cast<DWORD>(property.vValue.lVal);
        }
    }
    freeItemProperties(properties);
    return target;
}

std::vector<WriteTarget> writeTargets(IOPCServer* server, std::vector<LPCWSTR>& ids)
{
    const auto browse = askFor<IOPCBrowse>(server, IID_IOPCBrowse, "IOPCBrowse");
    DWORD wanted[] = {OPC_PROPERTY_DATATYPE, OPC_PROPERTY_ACCESS_RIGHTS};
    OPCITEMPROPERTIES* raw = nullptr;
    const HRESULT hr =
        browse->GetProperties(static_cast<DWORD>(ids.size()), const_cast<LPWSTR*>(ids.data()), TRUE,
                              std::size(wanted), wanted, &raw);
    const auto answers = TaskMem<OPCITEMPROPERTIES>::adopt(raw, ids.size());
    if (FAILED(hr) || !answers) throw ProbeFailure("GetProperties", FAILED(hr) ? hr : E_POINTER);
    std::vector<WriteTarget> targets;
    for (size_t i = 0; i < ids.size(); ++i) targets.push_back(targetOf(answers[i]));
    return targets;
}

} // namespace

std::vector<ItemValue> readDa3(IOPCServer* server, const std::vector<std::string>& items,
                               OPCDATASOURCE source)
{
    if (items.empty()) return {};
    const auto io = askFor<IOPCItemIO>(server, IID_IOPCItemIO, "IOPCItemIO");
    std::vector<std::basic_string<OLECHAR>> wide;
    std::vector<LPCWSTR> ids = itemIDs(items, wide);
    // An age of 0 asks for the device's value, the largest for whatever the server holds.
    std::vector<DWORD> maxAge(items.size(), source == OPC_DS_DEVICE ? 0 : 0xFFFFFFFF);
    VARIANT* rawValues = nullptr;
    WORD* rawQualities = nullptr;
    FILETIME* rawTimes = nullptr;
    HRESULT* rawErrors = nullptr;
    const HRESULT hr = io->Read(static_cast<DWORD>(ids.size()), ids.data(), maxAge.data(),
                                &rawValues, &rawQualities, &rawTimes, &rawErrors);
    const auto values = TaskMem<VARIANT>::adopt(rawValues, ids.size());
    const auto qualities = TaskMem<WORD>::adopt(rawQualities, ids.size());
    const auto times = TaskMem<FILETIME>::adopt(rawTimes, ids.size());
    const auto errors = TaskMem<HRESULT>::adopt(rawErrors, ids.size());
    if (FAILED(hr) || !values || !qualities || !times || !errors)
        throw ProbeFailure("Read", FAILED(hr) ? hr : E_POINTER);
    std::vector<ItemValue> read(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        read[i].item = items[i];
        read[i].error = errors[i];
        read[i].value = vetrel::Variant::attach(values[i]);
        // A failed item carries no value: only what the 2.0 path would show of it.
        if (FAILED(errors[i])) continue;
        read[i].quality = qualities[i];
        read[i].timestamp = times[i];
    }
    return read;
}

std::vector<WriteResult> writeDa3(IOPCServer* server, const std::vector<Assignment>& assignments)
{
    if (assignments.empty()) return {};
    std::vector<std::string> items;
    for (const Assignment& assignment : assignments) items.push_back(assignment.item);
    std::vector<std::basic_string<OLECHAR>> wide;
    std::vector<LPCWSTR> ids = itemIDs(items, wide);
    WritePlan plan(assignments, writeTargets(server, ids));
    if (plan.positions().empty()) return plan.finish(nullptr);

    std::vector<LPCWSTR> sent;
    std::vector<OPCITEMVQT> vqts;
    for (const VARIANT& value : plan.values()) {
        // Value only: the server keeps its own quality and timestamp.
        OPCITEMVQT vqt{};
        vqt.vDataValue = value;
        vqts.push_back(vqt);
    }
    for (const std::size_t position : plan.positions()) sent.push_back(ids[position]);
    const auto io = askFor<IOPCItemIO>(server, IID_IOPCItemIO, "IOPCItemIO");
    HRESULT* rawErrors = nullptr;
    const HRESULT hr =
        io->WriteVQT(static_cast<DWORD>(sent.size()), sent.data(), vqts.data(), &rawErrors);
    const auto errors = TaskMem<HRESULT>::adopt(rawErrors, sent.size());
    if (FAILED(hr) || !errors) throw ProbeFailure("WriteVQT", FAILED(hr) ? hr : E_POINTER);
    return plan.finish(errors.get());
}

} // namespace opcprobe
