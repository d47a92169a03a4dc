#include "browse.h"

namespace opcprobe {
namespace {

void appendText(const std::vector<BrowseNode>& nodes, size_t level, std::string& text)
{
    const std::string indent(level * 2, ' ');
    for (const BrowseNode& node : nodes) {
        text += indent + node.name + (node.branch ? "/" : "");
        if (!node.itemID.empty()) text += " (" + node.itemID + ")";
        text += "\n";
        if (node.branch) appendText(node.children, level + 1, text);
    }
}

nlohmann::json nodesJson(const std::vector<BrowseNode>& nodes)
{
    nlohmann::json list = nlohmann::json::array();
    for (const BrowseNode& node : nodes) {
        nlohmann::json entry = {{"name", node.name}};
        if (!node.itemID.empty()) entry["itemID"] = node.itemID;
        if (node.branch) entry["children"] = nodesJson(node.children);
        list.push_back(std::move(entry));
    }
    return list;
}

} // namespace

std::string browseText(const BrowseTree& tree)
{
    std::string text;
    appendText(tree.nodes, 0, text);
    return text;
}

nlohmann::json browseJson(const BrowseTree& tree)
{
    return {{"organization", tree.organization == OPC_NS_HIERARCHIAL ? "hierarchical" : "flat"},
            {"nodes", nodesJson(tree.nodes)}};
}

std::string flatText(const std::vector<std::string>& itemIDs)
{
    std::string text;
    for (const std::string& itemID : itemIDs) text += itemID + "\n";
    return text;
}

nlohmann::json flatJson(const std::vector<std::string>& itemIDs)
{
    return {{"itemIDs", itemIDs}};
}

} // namespace opcprobe
