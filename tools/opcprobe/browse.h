// `opcprobe browse`: the server's namespace, as a tree walked from the root or as the flat list
// of every item ID.
#pragma once

#include "vetrel/opc.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace opcprobe {

// Deeper than any namespace people browse; it stops a server whose branches never end.
inline constexpr int kDeepestLevel = 64;

// A branch with what lies below it, or a leaf with the item ID a client adds it by. A branch
// that is an item as well carries its item ID too.
struct BrowseNode
{
    std::string name;
    bool branch = false;
    std::string itemID{};
    std::vector<BrowseNode> children{};
};

struct BrowseTree
{
    OPCNAMESPACETYPE organization = OPC_NS_FLAT;
    // Branches first, then leaves, each in the server's order.
    std::vector<BrowseNode> nodes;
};

// Walks the whole namespace with the server's browse position, which it leaves at the root.
// Throws ProbeFailure when the server offers no browsing or a call fails.
BrowseTree browseTree(IOPCServer* server);
// The server's flat listing from the root: every leaf's item ID.
std::vector<std::string> browseFlat(IOPCServer* server);
// The same two through IOPCBrowse, which needs no browse position: a branch's elements come
// from its item ID. Branches come first as above, and an item that bears a branch's item ID is
// that branch.
BrowseTree browseTreeDa3(IOPCServer* server);
std::vector<std::string> browseFlatDa3(IOPCServer* server);

// Two blanks of indentation per level; "Tank/" for a branch, "Level (Example.Tank.Level)" for a
// leaf, "Tank/ (Example.Tank)" for a branch that is an item as well.
std::string browseText(const BrowseTree& tree);
// {"organization", "nodes": [{"name", "children": [...]} or {"name", "itemID"}]}; a branch that
// is an item has both.
nlohmann::json browseJson(const BrowseTree& tree);
// One item ID per line.
std::string flatText(const std::vector<std::string>& itemIDs);
// {"itemIDs": [...]}.
nlohmann::json flatJson(const std::vector<std::string>& itemIDs);

} // namespace opcprobe
