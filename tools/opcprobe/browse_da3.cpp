// The browse command through IOPCBrowse: the same tree and flat list as through
// IOPCBrowseServerAddressSpace, built from the elements Browse hands out batch by batch.
#include "browse.h"
#include "da3_memory.h"
#include "platform/com_ptr.h"
#include "session.h"
#include "wide_text.h"

#include <algorithm>
#include <memory>

namespace opcprobe {
namespace {

using vetrel::ComPtr;

// Elements asked for per call: a server may hand out fewer and a continuation point.
constexpr DWORD kBatch = 256;
// A server whose continuation points never end is stopped after this many calls for a branch.
constexpr int kMostBatches = 100000;

struct Element
{
    std::string name;
    std::string itemID;
    DWORD flags = 0;
};

std::string quoted(const std::string& itemID)
{
    return itemID.empty() ? "the root" : itemID;
}

// The elements of one Browse call, given back whatever happens.
struct ElementBatch
{
    ~ElementBatch() { freeBrowseElements(elements, count); }

    DWORD count = 0;
    OPCBROWSEELEMENT* elements = nullptr;
};

class Browser
{
public:
    explicit Browser(IOPCServer* server)
        : m_browse(askFor<IOPCBrowse>(server, IID_IOPCBrowse, "IOPCBrowse"))
    {}

    // Every element below itemID ("" for the root), in the server's order.
    std::vector<Element> list(const std::string& itemID)
    {
        auto id = widen(itemID), none = widen("");
        std::vector<Element> listed;
        // The server frees each point it is given and hands back the next, the last one null.
        LPWSTR point = nullptr;
        const auto freePoint = [](LPWSTR* owned) { freeText(*owned); };
        const std::unique_ptr<LPWSTR, decltype(freePoint)> pointOwner(&point, freePoint);
        for (int calls = 0; calls < kMostBatches; ++calls) {
            ElementBatch batch;
            BOOL more = FALSE;
            // An empty list of properties still travels as a reference: never a null one.
            DWORD noProperty = 0;
            const HRESULT hr = m_browse->Browse(
                reinterpret_cast<LPWSTR>(id.data()), &point, kBatch, OPC_BROWSE_FILTER_ALL,
                reinterpret_cast<LPWSTR>(none.data()), reinterpret_cast<LPWSTR>(none.data()), FALSE,
                FALSE, 0, &noProperty, &more, &batch.count, &batch.elements);
            if (FAILED(hr)) throw ProbeFailure("Browse of " + quoted(itemID), hr);
            for (DWORD i = 0; i < batch.count && batch.elements; ++i) {
                const OPCBROWSEELEMENT& element = batch.elements[i];
                listed.push_back({narrow(reinterpret_cast<const OLECHAR*>(element.szName)),
                                  narrow(reinterpret_cast<const OLECHAR*>(element.szItemID)),
                                  element.dwFlagValue});
            }
            if (!more || !point) return listed;
        }
        throw ProbeFailure("Browse of " + quoted(itemID) + " never ends", E_FAIL);
    }

private:
    ComPtr<IOPCBrowse> m_browse;
};

bool hasChildren(const Element& element)
{
    return (element.flags & OPC_BROWSE_HASCHILDREN) != 0;
}

bool isItem(const Element& element)
{
    return (element.flags & OPC_BROWSE_ISITEM) != 0;
}

// Branches first, then the items that are no branch, each in the server's order; an item
// with the item ID of a branch is shown once, as that branch.
std::vector<BrowseNode> walk(Browser& browser, const std::string& itemID, int level)
{
    const std::vector<Element> elements = browser.list(itemID);
    std::vector<BrowseNode> nodes;
    for (const Element& element : elements) {
        if (!hasChildren(element)) continue;
        BrowseNode branch{element.name, true};
        const bool alsoItem =
            isItem(element) || std::ranges::any_of(elements, [&](const Element& e) {
                return !hasChildren(e) && isItem(e) && e.itemID == element.itemID;
            });
        if (alsoItem) branch.itemID = element.itemID;
        if (level < kDeepestLevel) branch.children = walk(browser, element.itemID, level + 1);
        nodes.push_back(std::move(branch));
    }
    for (const Element& element : elements)
        if (!hasChildren(element) && isItem(element) &&
            std::ranges::none_of(nodes,
                                 [&](const BrowseNode& n) { return n.itemID == element.itemID; }))
            nodes.push_back({element.name, false, element.itemID});
    return nodes;
}

void collectItems(Browser& browser, const std::string& itemID, int level,
                  std::vector<std::string>& itemIDs)
{
    for (const Element& element : browser.list(itemID)) {
        if (hasChildren(element)) {
            if (level < kDeepestLevel) collectItems(browser, element.itemID, level + 1, itemIDs);
        } else if (isItem(element)) {
            itemIDs.push_back(element.itemID);
        }
    }
}

} // namespace

BrowseTree browseTreeDa3(IOPCServer* server)
{
    Browser browser(server);
    BrowseTree tree;
    tree.nodes = walk(browser, "", 0);
    const bool hierarchical =
        std::ranges::any_of(tree.nodes, [](const BrowseNode& node) { return node.branch; });
    tree.organization = hierarchical ? OPC_NS_HIERARCHIAL : OPC_NS_FLAT;
    return tree;
}

std::vector<std::string> browseFlatDa3(IOPCServer* server)
{
    Browser browser(server);
    std::vector<std::string> itemIDs;
    collectItems(browser, "", 0, itemIDs);
    return itemIDs;
}

} // namespace opcprobe
