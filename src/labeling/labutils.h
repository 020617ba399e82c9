// Small procedures of the design commands: the labeling tree (a trie over
// pair orders with a value per node), the integer set, sorting helpers and
// the conversion of a per-sample labelling table into a schedule record.
//
// Choice of ours: a store that needs a 20001st node or a 101st child of one
// node is refused, so the tree then acts as a smaller cache.
#pragma once

#include <array>
#include <vector>

#include "labeling/pairs.h"

constexpr int kTreeNodes = 20000;
constexpr int kTreeChildren = 100;

struct TreeNode {
    int key = 0, value = 0, nchild = 0;
    std::array<int, kTreeChildren> child{};
};

struct NodeSpace {
    std::vector<TreeNode> node = std::vector<TreeNode>(kTreeNodes + 1);  // 1..20000; 0 = root
    int used = 0;
};

void initnodespace(NodeSpace& ns);
void inititem(TreeNode& n, int key);
// Stores value at the end of the path keys[pos..depth] (1-based) from node.
bool store_this_in_tree(int node, const std::vector<int>& keys, int depth, int pos, int value,
                        NodeSpace& ns);
// Value at the end of the path, or of the deepest node the path reaches.
int ret_this_in_tree(int node, const std::vector<int>& keys, int depth, int pos,
                     const NodeSpace& ns);

struct IntSet {
    int count = 0;
    std::vector<int> v;  // 1..capacity once allocated
};
void initset(IntSet& s, int size = 400);
void setaddnode(IntSet& s, int value);
int setfindpos(const IntSet& s, int value);
void destroyset(IntSet& s);

// Positions 1..n ranked by score, highest first (stable).
void sortthispls(std::vector<int>& pos, const std::vector<int>& score);
// Residue types ranked by their number of occurring pairs, most first.
std::vector<int> sort_by_kardinality(const TypeMatrix& uniqs);

// labels[s][t] = {13C, 15N} for sample s (1..nsamples) and type t (1..21).
using LabelTable = std::vector<std::array<std::array<bool, 2>, kTypes + 1>>;
void convert_logical_to_labeling(const LabelTable& labels, int nsamples, Schedule& s,
                                 const TypeMatrix& uniqs);
