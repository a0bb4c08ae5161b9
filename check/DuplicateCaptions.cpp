#include "DuplicateCaptions.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace courseview {

namespace {

void GroupSiblings(const MemoryTree& tree, const std::vector<std::size_t>& siblings,
                   std::vector<std::vector<std::size_t>>& groups) {
    if (siblings.size() < 2) return;
    std::unordered_map<std::u16string_view, std::size_t> groupOf;
    groupOf.reserve(siblings.size());
    std::vector<std::vector<std::size_t>> found;
    for (const std::size_t node : siblings) {
        const auto [at, first] = groupOf.try_emplace(tree.Nodes()[node].caption, found.size());
        if (first) found.emplace_back();
        found[at->second].push_back(node);
    }
    for (auto& group : found) {
        if (group.size() > 1) groups.push_back(std::move(group));
    }
}

}  // namespace

std::vector<std::vector<std::size_t>> DuplicateCaptionGroups(const MemoryTree& tree) {
    std::vector<std::vector<std::size_t>> groups;
    GroupSiblings(tree, tree.TopLevel(), groups);
    for (const auto& node : tree.Nodes()) GroupSiblings(tree, node.children, groups);
    std::sort(groups.begin(), groups.end(),
              [](const auto& a, const auto& b) { return a.front() < b.front(); });
    return groups;
}

}  // namespace courseview
