#include "browse.h"

namespace opcprobe {
namespace {

void appendText(const std::vector<BrowseNode>& nodes, size_t level, std::string& text)
{
    const std::string indent(level * 2, ' ');
    for (const BrowseNode& node : nodes) {
        if (node.branch) {
            text += indent + node.name + "/\n";
            appendText(node.children, level + 1, text);
        } else {
            text += indent + node.name + " (" + node.itemID + ")\n";
        }
    }
}

nlohmann::json nodesJson(const std::vector<BrowseNode>& nodes)
{
    nlohmann::json list = nlohmann::json::array();
    for (const BrowseNode& node : nodes) {
        if (node.branch)
            list.push_back({{"name", node.name}, {"children", nodesJson(node.children)}});
        else
            list.push_back({{"name", node.name}, {"itemID", node.itemID}});
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
