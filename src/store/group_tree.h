// The group tree of the current catalog: the catalog at the root, its groups below it and
// each group's subgroups (and "Прочие..." for its goods without a subgroup), built from
// the goods and the classifier or read from the cache file "Tree.lst" of the catalog
// folder. The tree is plain data that the tree view shows.
#pragma once

#include <string>
#include <vector>

#include "store/catalog_context.h"

inline constexpr const char* kOtherGoodsCaption = "Прочие...";
inline constexpr int kRootId = -1;
inline constexpr int kOtherGoodsSubGroup = -2;

// The data of one node. Caption holds at most 100 characters.
struct GroupNodeData {
    std::string Caption;
    int IdGroup = kRootId;
    int IdSubGroup = kRootId;
};

struct GroupNode {
    GroupNodeData Data;
    std::vector<GroupNode> Children;
    bool Expanded = false;
};

// What the tree view shows: the root node (once built) and whether it is the focused one.
struct GroupTreeView {
    std::vector<GroupNode> TopNodes;  // the root alone, once built
};

// Fills the tree from the cache when "Tree.lst" exists, otherwise from the grouping query
// over Price and Class, keeping its rows in tr2 and saving them to "Tree.lst". The root is
// expanded, every group collapsed. Engine errors (a damaged cache file) go up as AppError.
void BuildGroupTree(CatalogContext& ctx, GroupTreeView& view);
