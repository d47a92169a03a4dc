// The server list (OPC.ServerList) as OPC clients use it, in a prefix with the example host and
// the console simulator registered and three classes of this test's own: its answers against
// the registry, in this process and across processes through COM; its process, which COM starts
// and which ends with its last client; its registration; and opcprobe list through it and
// without it.
#include "child_process.h"
#include "classes_registry.h"
#include "comkit/category_filter.h"
#include "comkit/guid_text.h"
#include "discovery.h"
#include "example_identity.h"
#include "guid_enumerator.h"
#include "host_process.h"
#include "platform/task_mem.h"
#include "server_list.h"
#include "tests/support/registry_keys.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>

namespace {

using vetrel::ComPtr;
using vetrel::formatGuid;
using vetrel::kAnyCategory;

// Identifiers of this test's own, told apart by their last byte.
constexpr GUID ownGuid(unsigned char last)
{
    return {0x2F6B0C1D, 0x5E3A, 0x4B27, {0x9D, 0x40, 0x18, 0xC2, 0x7A, 0x63, 0xE5, last}};
}

constexpr GUID kPrivateCategory = ownGuid(0x01);
constexpr GUID kNeededCategory = ownGuid(0x02);
constexpr GUID kUnknownCategory = ownGuid(0x03);
constexpr CLSID kDa3Fake = ownGuid(0x11);
constexpr CLSID kNeedyFake = ownGuid(0x12);
constexpr CLSID kPlainFake = ownGuid(0x13);
constexpr CLSID kUnknownClass = ownGuid(0x14);
constexpr CLSID kMoxlanClass = {
    0x4C3A9E17, 0x2B6D, 0x4F80, {0x9E, 0x51, 0x7A, 0xD3, 0xC6, 0x0B, 0x2F, 0x94}};

struct FakeClass
{
    const CLSID& clsid;
    const char* progId; // null: the class has no ProgID
    const char* userType;
    std::vector<GUID> implemented;
    std::vector<GUID> required;
};

const FakeClass kFakes[] = {
    {kDa3Fake, "Discovery.Fake.Da3", "Fake DA 3.0 server", {CATID_OPCDAServer30}, {}},
    {kNeedyFake,
     "Discovery.Fake.Needy",
     "Fake server needing a category",
     {CATID_OPCDAServer20, kPrivateCategory},
     {kNeededCategory}},
    {kPlainFake, nullptr, "Fake private class", {kPrivateCategory}, {}},
};

// The fakes are in the registry for the whole program, as an installed product's would be.
class FakeClasses : public ::testing::Environment
{
public:
    void SetUp() override
    {
        using vetrel::test::createKey;
        const auto setKey = [](const std::string& path, const char* text) {
            HKEY key = createKey(HKEY_CLASSES_ROOT, path);
            ASSERT_TRUE(key) << path;
            if (text) vetrel::test::setValue(key, nullptr, REG_SZ, vetrel::test::sz(text));
            RegCloseKey(key);
        };
        for (const FakeClass& fake : kFakes) {
            const std::string key = "CLSID\\" + formatGuid(fake.clsid);
            setKey(key, fake.userType);
            for (const GUID& category : fake.implemented)
                setKey(key + "\\Implemented Categories\\" + formatGuid(category), nullptr);
            for (const GUID& category : fake.required)
                setKey(key + "\\Required Categories\\" + formatGuid(category), nullptr);
            if (!fake.progId) continue;
            setKey(key + "\\ProgID", fake.progId);
            setKey(std::string(fake.progId) + "\\CLSID", formatGuid(fake.clsid).c_str());
        }
    }

    void TearDown() override
    {
        for (const FakeClass& fake : kFakes) {
            vetrel::test::deleteTree(HKEY_CLASSES_ROOT, "CLSID\\" + formatGuid(fake.clsid));
            if (fake.progId) vetrel::test::deleteTree(HKEY_CLASSES_ROOT, fake.progId);
        }
    }
};

const auto* const kFakeClasses = ::testing::AddGlobalTestEnvironment(new FakeClasses);

std::set<std::string> names(const std::vector<CLSID>& classes)
{
    std::set<std::string> texts;
    for (const CLSID& clsid : classes) texts.insert(formatGuid(clsid));
    return texts;
}

// Long enough for a loaded machine; a service that never exits fails after it.
constexpr DWORD kExitTimeoutMs = 30000;

// A client of the server list: this process's own object, or the service COM starts.
struct Client
{
    const char* where;
    bool remote;
    ComPtr<IOPCServerList> list;
    ComPtr<IOPCServerList2> list2;
};

Client clientOf(const char* where, bool remote, const ComPtr<IUnknown>& object)
{
    Client client{where, remote, object.as<IOPCServerList>(IID_IOPCServerList),
                  object.as<IOPCServerList2>(IID_IOPCServerList2)};
    EXPECT_TRUE(client.list && client.list2) << where;
    return client;
}

class ServerList : public ::testing::Test
{
protected:
    // Every case that starts the service sees it end: the next one starts it afresh, rather
    // than reach one on its way out.
    void TearDown() override
    {
        for (DWORD service : e2e::processesOf("vetrel-serverlist.exe"))
            EXPECT_EQ(e2e::waitForExit(service, kExitTimeoutMs), 0u);
    }

    static std::vector<Client> clients()
    {
        ComPtr<IUnknown> remote;
        EXPECT_EQ(CoCreateInstance(CLSID_OPCServerList, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                   remote.putVoid()),
                  S_OK);
        const ComPtr<serverlist::OPCServerList> local = serverlist::OPCServerList::create();
        return {clientOf("in process", false,
                         ComPtr<IUnknown>(static_cast<IOPCServerList*>(local.get()))),
                clientOf("across processes", true, remote)};
    }

    e2e::Apartment m_apartment;
};

struct CategoryCase
{
    const char* what;
    std::vector<GUID> implemented;
    // Empty: any required categories.
    std::optional<std::vector<GUID>> required;
    std::set<std::string> expected;
};

// The classes EnumClassesOfCategories of either interface answers a case with.
template <typename Enumerator, typename List>
std::set<std::string> classesOf(List* list, const CategoryCase& c)
{
    std::vector<GUID> implemented = c.implemented;
    std::vector<GUID> required = c.required.value_or(std::vector<GUID>{});
    const ULONG requiredCount = c.required ? static_cast<ULONG>(required.size()) : kAnyCategory;
    ComPtr<Enumerator> classes;
    const HRESULT hr = list->EnumClassesOfCategories(
        static_cast<ULONG>(implemented.size()), implemented.data(), requiredCount,
        required.empty() ? nullptr : required.data(), classes.put());
    EXPECT_EQ(hr, S_OK);
    return classes ? names(opcprobe::remainingClasses(classes.get())) : std::set<std::string>{};
}

TEST_F(ServerList, EnumeratesTheClassesOfTheCategoriesAskedFor)
{
    const std::string example = formatGuid(example::kExampleClass);
    const std::string moxlan = formatGuid(kMoxlanClass);
    const std::string da3 = formatGuid(kDa3Fake), needy = formatGuid(kNeedyFake),
                      plain = formatGuid(kPlainFake);
    const CategoryCase cases[] = {
        {"DA 1.0", {CATID_OPCDAServer10}, std::vector<GUID>{}, {example, moxlan}},
        {"AE 1.0", {CATID_OPCAEServer10}, std::vector<GUID>{}, {example, moxlan}},
        {"DA 2.0, any required", {CATID_OPCDAServer20}, std::nullopt, {example, moxlan, needy}},
        {"DA 2.0", {CATID_OPCDAServer20}, std::vector<GUID>{}, {example, moxlan}},
        {"DA 2.0, the needed one given",
         {CATID_OPCDAServer20},
         std::vector<GUID>{kNeededCategory},
         {example, moxlan, needy}},
        {"DA 2.0, another given",
         {CATID_OPCDAServer20},
         std::vector<GUID>{kUnknownCategory},
         {example, moxlan}},
        {"DA 3.0", {CATID_OPCDAServer30}, std::vector<GUID>{}, {da3, example, moxlan}},
        {"private or DA 3.0, the needed one given",
         {kUnknownCategory, kPrivateCategory, CATID_OPCDAServer30},
         std::vector<GUID>{kNeededCategory},
         {da3, needy, plain, example, moxlan}},
        {"private, any required", {kPrivateCategory}, std::nullopt, {needy, plain}},
        {"XML DA: no class", {CATID_XMLDAServer10}, std::vector<GUID>{}, {}},
        {"unknown category", {kUnknownCategory}, std::vector<GUID>{}, {}},
    };
    for (const Client& client : clients()) {
        for (const CategoryCase& c : cases) {
            // A proxy refuses the array bounds of a count of -1: only a client in the same
            // process lifts a list so.
            if (!c.required && client.remote) continue;
            EXPECT_EQ((classesOf<IEnumGUID>(client.list.get(), c)), c.expected)
                << client.where << ", " << c.what;
            EXPECT_EQ((classesOf<IOPCEnumGUID>(client.list2.get(), c)), c.expected)
                << client.where << ", " << c.what;
        }
        ComPtr<IOPCEnumGUID> none;
        EXPECT_EQ(client.list2->EnumClassesOfCategories(0, nullptr, 0, nullptr, none.put()),
                  E_INVALIDARG)
            << client.where;
        EXPECT_FALSE(none) << client.where;
    }
}

TEST_F(ServerList, DescribesARegisteredClassByItsKeys)
{
    struct Case
    {
        const CLSID& clsid;
        HRESULT result;
        const char* progId;
        const char* userType;
        const char* versionIndependent;
    };
    const Case cases[] = {
        {example::kExampleClass, S_OK, "Vetrel.ExampleHost", "Vetrel example host", ""},
        {kMoxlanClass, S_OK, "Drevik.OPCServer", "Drevik Software OPC Server Simulator", ""},
        {CLSID_OPCServerList, S_OK, "OPC.ServerList.1", "Opc ServerList Class", "OPC.ServerList"},
        {kPlainFake, S_OK, "", "Fake private class", ""},
        {kUnknownClass, REGDB_E_CLASSNOTREG, nullptr, nullptr, nullptr},
    };
    const auto text = [](LPOLESTR owned) {
        const auto freed = vetrel::TaskMem<OLECHAR>::adopt(owned, 1);
        return owned ? std::optional<std::string>(std::string(owned, owned + lstrlenW(owned)))
                     : std::nullopt;
    };
    const auto expected = [](const char* name) {
        return name ? std::optional<std::string>(name) : std::nullopt;
    };
    for (const Client& client : clients()) {
        for (const Case& c : cases) {
            const std::string what = std::string(client.where) + ", " + formatGuid(c.clsid);
            LPOLESTR progId = nullptr, userType = nullptr, versionIndependent = nullptr;
            EXPECT_EQ(
                client.list2->GetClassDetails(c.clsid, &progId, &userType, &versionIndependent),
                c.result)
                << what;
            EXPECT_EQ(text(progId), expected(c.progId)) << what;
            EXPECT_EQ(text(userType), expected(c.userType)) << what;
            EXPECT_EQ(text(versionIndependent), expected(c.versionIndependent)) << what;

            EXPECT_EQ(client.list->GetClassDetails(c.clsid, &progId, &userType), c.result) << what;
            EXPECT_EQ(text(progId), expected(c.progId)) << what;
            EXPECT_EQ(text(userType), expected(c.userType)) << what;
        }
    }
}

TEST_F(ServerList, FindsTheClassOfAProgId)
{
    const std::pair<const wchar_t*, CLSID> cases[] = {
        {L"Vetrel.ExampleHost", example::kExampleClass},
        {L"Drevik.OPCServer", kMoxlanClass},
        {L"OPC.ServerList", CLSID_OPCServerList},
        {L"OPC.ServerList.1", CLSID_OPCServerList},
        {L"Discovery.Fake.Da3", kDa3Fake},
        {L"No.Such.Server", CLSID_NULL},
        {L"", CLSID_NULL},
    };
    for (const Client& client : clients()) {
        for (const auto& [progId, clsid] : cases) {
            const HRESULT expected = IsEqualGUID(clsid, CLSID_NULL) ? CO_E_CLASSSTRING : S_OK;
            CLSID found = kUnknownClass;
            EXPECT_EQ(client.list->CLSIDFromProgID(progId, &found), expected) << client.where;
            EXPECT_EQ(formatGuid(found), formatGuid(clsid)) << client.where;
            found = kUnknownClass;
            EXPECT_EQ(client.list2->CLSIDFromProgID(progId, &found), expected) << client.where;
            EXPECT_EQ(formatGuid(found), formatGuid(clsid)) << client.where;
        }
    }
}

// Null pointers never cross a proxy: only a client in the same process can hand them over.
TEST_F(ServerList, RefusesNullPointersAndEmptyCategoryLists)
{
    const ComPtr<serverlist::OPCServerList> list = serverlist::OPCServerList::create();
    IOPCServerList* v1 = list.get();
    IOPCServerList2* v2 = list.get();
    GUID category = CATID_OPCDAServer10;
    LPOLESTR text = nullptr;
    CLSID clsid{};
    IEnumGUID* classes = nullptr;
    IOPCEnumGUID* classes2 = nullptr;
    const ComPtr<serverlist::GuidEnumerator> enumerator =
        serverlist::GuidEnumerator::create({CATID_OPCDAServer10, CATID_OPCDAServer20});
    GUID batch[2];
    ULONG fetched = 0;
    const std::pair<const char*, std::function<HRESULT()>> calls[] = {
        {"no implemented category",
         [&] { return v1->EnumClassesOfCategories(0, &category, 0, nullptr, &classes); }},
        {"implemented count without array",
         [&] { return v2->EnumClassesOfCategories(1, nullptr, 0, nullptr, &classes2); }},
        {"required count without array",
         [&] { return v1->EnumClassesOfCategories(1, &category, 2, nullptr, &classes); }},
        {"no enumerator pointer",
         [&] {
             return v2->EnumClassesOfCategories(1, &category, kAnyCategory, nullptr,
                                                static_cast<IOPCEnumGUID**>(nullptr));
         }},
        {"no ProgID pointer",
         [&] { return v1->GetClassDetails(example::kExampleClass, nullptr, &text); }},
        {"no version-independent pointer",
         [&] { return v2->GetClassDetails(example::kExampleClass, &text, &text, nullptr); }},
        {"no ProgID", [&] { return v1->CLSIDFromProgID(nullptr, &clsid); }},
        {"no class pointer", [&] { return v2->CLSIDFromProgID(L"OPC.ServerList", nullptr); }},
        {"Next without room", [&] { return enumerator->Next(2, nullptr, &fetched); }},
        {"Next of two without count", [&] { return enumerator->Next(2, batch, nullptr); }},
        {"Clone without pointer",
         [&] { return enumerator->Clone(static_cast<IEnumGUID**>(nullptr)); }},
    };
    const HRESULT expected[] = {E_INVALIDARG, E_INVALIDARG, E_INVALIDARG, E_POINTER,
                                E_POINTER,    E_POINTER,    E_INVALIDARG, E_POINTER,
                                E_POINTER,    E_POINTER,    E_POINTER};
    static_assert(std::size(calls) == std::size(expected));
    for (size_t i = 0; i < std::size(calls); ++i) {
        EXPECT_EQ(calls[i].second(), expected[i]) << calls[i].first;
        EXPECT_FALSE(classes || classes2 || text) << calls[i].first;
    }
}

// Each step on the enumerator of four classes, from a client in another process: what it
// answers and which of the classes it hands out.
template <typename Enumerator> void walk(Enumerator* classes, const std::vector<CLSID>& all)
{
    enum class Call
    {
        Next,
        Skip,
        Reset,
        Clone,
        // What the clone still has: it goes on from where its original was, on its own.
        RestOfClone,
    };
    struct Step
    {
        Call call;
        ULONG count;
        HRESULT result;
        std::vector<size_t> handedOut;
    };
    const Step steps[] = {
        {Call::Next, 1, S_OK, {0}},        {Call::Next, 2, S_OK, {1, 2}},
        {Call::Clone, 0, S_OK, {}},        {Call::Next, 5, S_FALSE, {3}},
        {Call::Next, 1, S_FALSE, {}},      {Call::Reset, 0, S_OK, {}},
        {Call::Skip, 2, S_OK, {}},         {Call::Next, 1, S_OK, {2}},
        {Call::Skip, 5, S_FALSE, {}},      {Call::Next, 0, S_OK, {}},
        {Call::Next, 1, S_OK, {3}},        {Call::Skip, 0, S_FALSE, {}},
        {Call::RestOfClone, 0, S_OK, {3}},
    };
    ComPtr<Enumerator> clone;
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& step = steps[i];
        std::vector<CLSID> expected;
        for (size_t index : step.handedOut) expected.push_back(all[index]);
        const std::string what = "step " + std::to_string(i + 1);
        switch (step.call) {
        case Call::Next: {
            GUID batch[5] = {};
            ULONG fetched = 99;
            EXPECT_EQ(classes->Next(step.count, batch, &fetched), step.result) << what;
            ASSERT_EQ(fetched, step.handedOut.size()) << what;
            EXPECT_EQ(names(std::vector<CLSID>(batch, batch + fetched)), names(expected)) << what;
            break;
        }
        case Call::Skip:
            EXPECT_EQ(classes->Skip(step.count), step.result) << what;
            break;
        case Call::Reset:
            EXPECT_EQ(classes->Reset(), step.result) << what;
            break;
        case Call::Clone:
            EXPECT_EQ(classes->Clone(clone.put()), step.result) << what;
            break;
        case Call::RestOfClone:
            ASSERT_TRUE(clone);
            EXPECT_EQ(names(opcprobe::remainingClasses(clone.get())), names(expected)) << what;
            break;
        }
    }
}

TEST_F(ServerList, EnumeratorsAcrossProcessesMoveAsClientsAsk)
{
    ComPtr<IOPCServerList2> list2;
    ASSERT_EQ(CoCreateInstance(CLSID_OPCServerList, nullptr, CLSCTX_LOCAL_SERVER,
                               IID_IOPCServerList2, list2.putVoid()),
              S_OK);
    const ComPtr<IOPCServerList> list = list2.as<IOPCServerList>(IID_IOPCServerList);
    ASSERT_TRUE(list);
    GUID categories[] = {CATID_OPCDAServer10, kPrivateCategory};
    GUID needed = kNeededCategory;

    ComPtr<IEnumGUID> classes;
    ASSERT_EQ(list->EnumClassesOfCategories(2, categories, 1, &needed, classes.put()), S_OK);
    const std::vector<CLSID> all = opcprobe::remainingClasses(classes.get());
    ASSERT_EQ(all.size(), 4u);
    ASSERT_EQ(classes->Reset(), S_OK);
    walk(classes.get(), all);

    ComPtr<IOPCEnumGUID> classes2;
    ASSERT_EQ(list2->EnumClassesOfCategories(2, categories, 1, &needed, classes2.put()), S_OK);
    EXPECT_EQ(opcprobe::remainingClasses(classes2.get()).size(), 4u);
    ASSERT_EQ(classes2->Reset(), S_OK);
    walk(classes2.get(), all);
    // One object serves both enumerator interfaces.
    EXPECT_TRUE(classes2.as<IEnumGUID>(IID_IEnumGUID));
}

TEST_F(ServerList, ComStartsTheServiceWhichEndsWithItsLastClient)
{
    ComPtr<IOPCServerList2> list;
    ASSERT_EQ(CoCreateInstance(CLSID_OPCServerList, nullptr, CLSCTX_LOCAL_SERVER,
                               IID_IOPCServerList2, list.putVoid()),
              S_OK);
    const std::vector<DWORD> services = e2e::processesOf("vetrel-serverlist.exe");
    ASSERT_EQ(services.size(), 1u);
    ComPtr<IUnknown> absent;
    EXPECT_EQ(list->QueryInterface(IID_IOPCServer, absent.putVoid()), E_NOINTERFACE);

    // An enumerator is a client's hold on the service too.
    GUID category = CATID_OPCDAServer10;
    ComPtr<IOPCEnumGUID> classes;
    ASSERT_EQ(list->EnumClassesOfCategories(1, &category, 0, nullptr, classes.put()), S_OK);
    list.reset();
    EXPECT_FALSE(e2e::waitForExit(services.front(), 0));
    EXPECT_EQ(opcprobe::remainingClasses(classes.get()).size(), 2u);

    classes.reset();
    EXPECT_EQ(e2e::waitForExit(services.front(), kExitTimeoutMs), 0u);
}

std::string probeList(const std::string& arguments, unsigned long expectedExit = 0)
{
    e2e::ProgramRun run = e2e::runProgram("opcprobe.exe", "list " + arguments);
    EXPECT_EQ(run.exitCode, expectedExit) << arguments;
    std::erase(run.output, '\r');
    return run.output;
}

constexpr char kServers[] = "Discovery.Fake.Da3\n"
                            "  class:       {2F6B0C1D-5E3A-4B27-9D40-18C27A63E511}\n"
                            "  description: Fake DA 3.0 server\n"
                            "  implements:  DA 3.0\n"
                            "Drevik.OPCServer\n"
                            "  class:       {4C3A9E17-2B6D-4F80-9E51-7AD3C60B2F94}\n"
                            "  description: Drevik Software OPC Server Simulator\n"
                            "  implements:  DA 1.0, DA 2.0, DA 3.0, AE 1.0\n"
                            "Vetrel.ExampleHost\n"
                            "  class:       {5C2E9A61-3B7D-4F08-A51E-6D902B44C713}\n"
                            "  description: Vetrel example host\n"
                            "  implements:  DA 1.0, DA 2.0, DA 3.0, AE 1.0\n";
constexpr char kThroughService[] = "through the server list OPC.ServerList:\n";
constexpr char kThroughRegistry[] = "through the registry's component categories:\n";

TEST_F(ServerList, OpcProbeListsTheServersByEitherRoute)
{
    EXPECT_EQ(probeList(""), kThroughService + std::string(kServers));
    EXPECT_EQ(probeList("--route server-list"), kThroughService + std::string(kServers));
    EXPECT_EQ(probeList("--route registry"), kThroughRegistry + std::string(kServers));
}

// Runs last: it takes the registration away and puts it back.
TEST_F(ServerList, RegistersAndUnregistersItsKeys)
{
    const std::string server = "CLSID\\" + formatGuid(CLSID_OPCServerList);
    const std::string appId = "{13486D44-4821-11D2-A494-3CB306C10000}";
    const std::pair<std::string, std::string> values[] = {
        {server, "Opc ServerList Class"},
        {server + "\\ProgID", "OPC.ServerList.1"},
        {server + "\\VersionIndependentProgID", "OPC.ServerList"},
        {"OPC.ServerList.1", "Opc ServerList Class"},
        {"OPC.ServerList.1\\CLSID", formatGuid(CLSID_OPCServerList)},
        {"OPC.ServerList\\CLSID", formatGuid(CLSID_OPCServerList)},
        {"OPC.ServerList\\CurVer", "OPC.ServerList.1"},
        {"AppID\\" + appId, "OpcEnum"},
    };
    const auto namedValue = [](const std::string& key, const char* name) {
        char data[256] = {};
        DWORD size = sizeof data;
        RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, data, &size);
        return std::string(data);
    };
    const auto expectRegistered = [&](bool registered) {
        for (const auto& [key, value] : values)
            EXPECT_EQ(e2e::classesValue(key), registered ? value : "") << key;
        EXPECT_EQ(namedValue(server, "AppID"), registered ? appId : "");
        EXPECT_EQ(namedValue("AppID\\vetrel-serverlist.exe", "AppID"), registered ? appId : "");
        const std::string localServer = e2e::classesValue(server + "\\LocalServer32");
        EXPECT_EQ(localServer.find("vetrel-serverlist.exe") != std::string::npos, registered)
            << "the local server is the program that registered: " << localServer;
    };
    expectRegistered(true);

    EXPECT_EQ(e2e::runProgram("vetrel-serverlist.exe", "/UnregServer").exitCode, 0u);
    expectRegistered(false);
    // Without the service the probe reads the categories itself, unless told to ask it.
    EXPECT_EQ(probeList(""), kThroughRegistry + std::string(kServers));
    EXPECT_EQ(probeList("--route server-list", 1), "");

    EXPECT_EQ(e2e::runProgram("vetrel-serverlist.exe", "-regserver").exitCode, 0u);
    expectRegistered(true);
    EXPECT_EQ(probeList(""), kThroughService + std::string(kServers));

    // Another product's server list, as most machines with OPC software have: neither request
    // takes it over or removes it.
    const std::string other = "\"C:\\Other\\OpcEnum.exe\"";
    HKEY localServer = vetrel::test::createKey(HKEY_CLASSES_ROOT, server + "\\LocalServer32");
    ASSERT_TRUE(localServer);
    vetrel::test::setValue(localServer, nullptr, REG_SZ, vetrel::test::sz(other));
    RegCloseKey(localServer);
    for (const char* request : {"/RegServer", "/UnregServer"}) {
        EXPECT_EQ(e2e::runProgram("vetrel-serverlist.exe", request).exitCode, 0u) << request;
        EXPECT_EQ(e2e::classesValue(server + "\\LocalServer32"), other) << request;
        EXPECT_EQ(e2e::classesValue("OPC.ServerList.1"), "Opc ServerList Class") << request;
    }
    vetrel::test::deleteTree(HKEY_CLASSES_ROOT, server);
    EXPECT_EQ(e2e::runProgram("vetrel-serverlist.exe", "/RegServer").exitCode, 0u);
    expectRegistered(true);
}

} // namespace
