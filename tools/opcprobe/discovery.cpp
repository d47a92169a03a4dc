#include "discovery.h"

#include "comkit/category_filter.h"
#include "comkit/class_registry.h"
#include "comkit/guid_text.h"
#include "platform/com_ptr.h"
#include "platform/task_mem.h"
#include "server_id.h"
#include "session.h"
#include "vetrel/opc.h"
#include "wide_text.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace opcprobe {
namespace {

using vetrel::ComPtr;
using vetrel::TaskMem;

struct Category
{
    const GUID& id;
    const char* name;
};

const Category kCategories[] = {
    {CATID_OPCDAServer10, "DA 1.0"},
    {CATID_OPCDAServer20, "DA 2.0"},
    {CATID_OPCDAServer30, "DA 3.0"},
    {CATID_OPCAEServer10, "AE 1.0"},
};

// Where the classes come from. Both routes ask as OPC clients do: the classes that implement
// one category and require none.
class ClassSource
{
public:
    virtual ~ClassSource() = default;
    virtual std::vector<CLSID> classesOf(const GUID& category) = 0;
    // Fills in the ProgID and description of a class the source listed.
    virtual void describe(ListedServer& server) = 0;
};

class RegistrySource final : public ClassSource
{
public:
    std::vector<CLSID> classesOf(const GUID& category) override
    {
        vetrel::CategoryFilter filter;
        const HRESULT hr = vetrel::CategoryFilter::fromArguments(1, &category, 0, nullptr, filter);
        if (FAILED(hr)) throw ProbeFailure("Reading the component categories", hr);
        return vetrel::classesAdmittedBy(filter);
    }

    void describe(ListedServer& server) override
    {
        // A class removed since it was listed keeps empty names.
        if (const auto details = vetrel::classDetails(server.clsid)) {
            server.progId = details->progId;
            server.description = details->userType;
        }
    }
};

// IOPCServerList2 where the service has it, else IOPCServerList.
class ServiceSource final : public ClassSource
{
public:
    explicit ServiceSource(const ComPtr<IUnknown>& service)
        : m_list2(service.as<IOPCServerList2>(IID_IOPCServerList2)),
          m_list(service.as<IOPCServerList>(IID_IOPCServerList))
    {
        if (!m_list2 && !m_list) throw ProbeFailure("Asking for IOPCServerList", E_NOINTERFACE);
    }

    std::vector<CLSID> classesOf(const GUID& category) override
    {
        GUID wanted = category;
        if (m_list2) {
            ComPtr<IOPCEnumGUID> classes;
            throwIfFailed(m_list2->EnumClassesOfCategories(1, &wanted, 0, nullptr, classes.put()),
                          "EnumClassesOfCategories");
            return remainingClasses(classes.get());
        }
        ComPtr<IEnumGUID> classes;
        throwIfFailed(m_list->EnumClassesOfCategories(1, &wanted, 0, nullptr, classes.put()),
                      "EnumClassesOfCategories");
        return remainingClasses(classes.get());
    }

    void describe(ListedServer& server) override
    {
        LPOLESTR progId = nullptr, userType = nullptr, versionIndependent = nullptr;
        const HRESULT hr = m_list2 ? m_list2->GetClassDetails(server.clsid, &progId, &userType,
                                                              &versionIndependent)
                                   : m_list->GetClassDetails(server.clsid, &progId, &userType);
        const TaskMem<OLECHAR> owned[] = {TaskMem<OLECHAR>::adopt(progId, 1),
                                          TaskMem<OLECHAR>::adopt(userType, 1),
                                          TaskMem<OLECHAR>::adopt(versionIndependent, 1)};
        throwIfFailed(hr, "GetClassDetails of " + vetrel::formatGuid(server.clsid));
        server.progId = narrow(owned[0].get());
        server.description = narrow(owned[1].get());
    }

private:
    ComPtr<IOPCServerList2> m_list2;
    ComPtr<IOPCServerList> m_list;
};

// Joins the multithreaded apartment for the service's calls.
class Apartment
{
public:
    Apartment() : m_joined(CoInitializeEx(nullptr, COINIT_MULTITHREADED))
    {
        if (FAILED(m_joined)) throw ProbeFailure("CoInitializeEx", m_joined);
    }
    ~Apartment() { CoUninitialize(); }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

private:
    HRESULT m_joined;
};

std::vector<ListedServer> collect(ClassSource& source)
{
    const auto byClass = [](const CLSID& a, const CLSID& b) {
        return memcmp(&a, &b, sizeof a) < 0;
    };
    std::map<CLSID, ListedServer, decltype(byClass)> found(byClass);
    for (const Category& category : kCategories)
        for (const CLSID& clsid : source.classesOf(category.id)) {
            ListedServer& server = found[clsid];
            server.clsid = clsid;
            server.implements.push_back(category.name);
        }
    std::vector<ListedServer> servers;
    for (auto& [clsid, server] : found) {
        source.describe(server);
        servers.push_back(std::move(server));
    }
    std::ranges::sort(servers, [](const ListedServer& a, const ListedServer& b) {
        if (a.progId != b.progId) return a.progId < b.progId;
        return vetrel::formatGuid(a.clsid) < vetrel::formatGuid(b.clsid);
    });
    return servers;
}

} // namespace

void throwIfFailed(HRESULT result, const std::string& what)
{
    if (FAILED(result)) throw ProbeFailure(what, result);
}

ServerListing listServers(DiscoveryRoute route)
{
    if (route != DiscoveryRoute::Registry) {
        Apartment apartment;
        ComPtr<IUnknown> service;
        const HRESULT hr = CoCreateInstance(CLSID_OPCServerList, nullptr, CLSCTX_LOCAL_SERVER,
                                            IID_IUnknown, service.putVoid());
        if (SUCCEEDED(hr)) {
            ServiceSource source(service);
            return {true, collect(source)};
        }
        if (!isUnregistered(hr)) throw ProbeFailure("Connecting to the server list", hr);
        if (route == DiscoveryRoute::ServerList)
            throw ProbeFailure::stated(unregisteredText("OPC.ServerList"), hr);
    }
    RegistrySource source;
    return {false, collect(source)};
}

std::string listText(const ServerListing& listing)
{
    std::string text = listing.throughServerList ? "through the server list OPC.ServerList:\n"
                                                 : "through the registry's component categories:\n";
    if (listing.servers.empty()) text += "no OPC server is registered\n";
    for (const ListedServer& server : listing.servers) {
        std::string implements;
        for (const std::string& name : server.implements)
            implements += (implements.empty() ? "" : ", ") + name;
        text += server.progId + "\n" + "  class:       " + vetrel::formatGuid(server.clsid) + "\n" +
                "  description: " + server.description + "\n" + "  implements:  " + implements +
                "\n";
    }
    return text;
}

nlohmann::json listJson(const ServerListing& listing)
{
    nlohmann::json servers = nlohmann::json::array();
    for (const ListedServer& server : listing.servers)
        servers.push_back({{"progId", server.progId},
                           {"clsid", vetrel::formatGuid(server.clsid)},
                           {"description", server.description},
                           {"implements", server.implements}});
    return {{"route", listing.throughServerList ? "server list" : "registry"},
            {"servers", std::move(servers)}};
}

} // namespace opcprobe
