#include "browse.h"

#include "platform/com_ptr.h"
#include "platform/task_mem.h"
#include "session.h"
#include "wide_text.h"

#include <algorithm>
#include <set>

namespace opcprobe {
namespace {

using vetrel::ComPtr;
using vetrel::TaskMem;

// Moving up from wherever the position is, for servers that cannot move to the root at once.
constexpr int kMostLevelsUp = 1024;
constexpr ULONG kBatch = 64;

// The browse interface of one server and the calls the walk makes on it.
class Browser
{
public:
    explicit Browser(IOPCServer* server)
        : m_browse(askFor<IOPCBrowseServerAddressSpace>(server, IID_IOPCBrowseServerAddressSpace,
                                                        "IOPCBrowseServerAddressSpace"))
    {}

    OPCNAMESPACETYPE organization()
    {
        OPCNAMESPACETYPE type = OPC_NS_FLAT;
        check(m_browse->QueryOrganization(&type), "QueryOrganization");
        return type;
    }

    void toRoot()
    {
        const auto root = widen("");
        if (SUCCEEDED(m_browse->ChangeBrowsePosition(OPC_BROWSE_TO, root.c_str()))) return;
        // A 1.0 server knows no OPC_BROWSE_TO.
        for (int level = 0; level < kMostLevelsUp && move(OPC_BROWSE_UP, ""); ++level) {}
    }

    bool move(OPCBROWSEDIRECTION direction, const std::string& name)
    {
        const auto wide = widen(name);
        return SUCCEEDED(m_browse->ChangeBrowsePosition(direction, wide.c_str()));
    }

    std::vector<std::string> list(OPCBROWSETYPE type)
    {
        // The filter string travels as a reference: an empty one, never none.
        const auto noFilter = widen("");
        ComPtr<IEnumString> names;
        check(m_browse->BrowseOPCItemIDs(type, noFilter.c_str(), VT_EMPTY, 0, names.put()),
              "BrowseOPCItemIDs");
        std::vector<std::string> listed;
        if (!names) return listed;
        for (;;) {
            LPOLESTR batch[kBatch] = {};
            ULONG fetched = 0;
            const HRESULT hr = names->Next(kBatch, batch, &fetched);
            check(hr, "IEnumString::Next");
            // Some enumerators answer S_FALSE with the last few names, others S_OK.
            for (ULONG i = 0; i < fetched && i < kBatch; ++i) {
                const auto text = TaskMem<OLECHAR>::adopt(batch[i], 1);
                listed.push_back(narrow(text.get()));
            }
            if (hr != S_OK || fetched == 0) return listed;
        }
    }

    HRESULT findItemID(const std::string& name, std::string& itemID)
    {
        auto wide = widen(name);
        LPWSTR id = nullptr;
        const HRESULT hr = m_browse->GetItemID(reinterpret_cast<LPWSTR>(wide.data()), &id);
        const auto owned = TaskMem<WCHAR>::adopt(id, 1);
        if (SUCCEEDED(hr) && owned) itemID = narrow(reinterpret_cast<const OLECHAR*>(owned.get()));
        return hr;
    }

    std::string itemID(const std::string& name)
    {
        std::string id;
        check(findItemID(name, id), "GetItemID for " + name);
        return id;
    }

private:
    static void check(HRESULT hr, const std::string& what)
    {
        if (FAILED(hr)) throw ProbeFailure(what, hr);
    }

    ComPtr<IOPCBrowseServerAddressSpace> m_browse;
};

std::vector<BrowseNode> leaves(Browser& browser, OPCBROWSETYPE type)
{
    std::vector<BrowseNode> nodes;
    for (std::string& name : browser.list(type)) {
        BrowseNode leaf{std::move(name)};
        leaf.itemID = browser.itemID(leaf.name);
        nodes.push_back(std::move(leaf));
    }
    return nodes;
}

// What lies below the browse position, which is where it was again on return. A branch whose
// item ID is among items is an item too, which not every server lists among the leaves.
std::vector<BrowseNode> walk(Browser& browser, int level, const std::set<std::string>& items)
{
    std::vector<BrowseNode> nodes;
    for (std::string& name : browser.list(OPC_BRANCH)) {
        BrowseNode branch{std::move(name), true};
        if (std::string id; SUCCEEDED(browser.findItemID(branch.name, id)) && items.contains(id))
            branch.itemID = std::move(id);
        if (level < kDeepestLevel && browser.move(OPC_BROWSE_DOWN, branch.name)) {
            branch.children = walk(browser, level + 1, items);
            if (!browser.move(OPC_BROWSE_UP, ""))
                throw ProbeFailure("Moving up from " + branch.name, E_FAIL);
        }
        nodes.push_back(std::move(branch));
    }
    // Servers that list such a branch among the leaves as well get it shown once.
    for (BrowseNode& leaf : leaves(browser, OPC_LEAF))
        if (std::ranges::none_of(
                nodes, [&leaf](const BrowseNode& node) { return node.itemID == leaf.itemID; }))
            nodes.push_back(std::move(leaf));
    return nodes;
}

} // namespace

BrowseTree browseTree(IOPCServer* server)
{
    Browser browser(server);
    BrowseTree tree;
    tree.organization = browser.organization();
    if (tree.organization == OPC_NS_FLAT) {
        tree.nodes = leaves(browser, OPC_FLAT);
        return tree;
    }
    browser.toRoot();
    const std::vector<std::string> itemIDs = browser.list(OPC_FLAT);
    tree.nodes = walk(browser, 0, std::set<std::string>(itemIDs.begin(), itemIDs.end()));
    return tree;
}

std::vector<std::string> browseFlat(IOPCServer* server)
{
    Browser browser(server);
    if (browser.organization() == OPC_NS_HIERARCHIAL) browser.toRoot();
    return browser.list(OPC_FLAT);
}

} // namespace opcprobe
