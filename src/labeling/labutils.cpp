#include "labeling/labutils.h"

#include <algorithm>
#include <numeric>

#include "labeling/pairs.h"

void initnodespace(NodeSpace& ns) {
    for (TreeNode& n : ns.node) n = TreeNode();
    ns.used = 0;
}

void inititem(TreeNode& n, int key) {
    n = TreeNode();
    n.key = key;
}

namespace {

int findchild(const TreeNode& n, int key, const NodeSpace& ns) {
    for (int c = 0; c < std::min(n.nchild, kTreeChildren); ++c)
        if (ns.node[static_cast<size_t>(n.child[static_cast<size_t>(c)])].key == key)
            return n.child[static_cast<size_t>(c)];
    return 0;
}

}  // namespace

bool store_this_in_tree(int node, const std::vector<int>& keys, int depth, int pos, int value,
                        NodeSpace& ns) {
    int cur = node;
    for (int p = pos; p <= depth && p <= static_cast<int>(keys.size()); ++p) {
        int key = keys[static_cast<size_t>(p - 1)];
        int next = findchild(ns.node[static_cast<size_t>(cur)], key, ns);
        if (next == 0) {
            TreeNode& parent = ns.node[static_cast<size_t>(cur)];
            if (ns.used >= kTreeNodes || parent.nchild >= kTreeChildren) return false;
            next = ++ns.used;
            inititem(ns.node[static_cast<size_t>(next)], key);
            ns.node[static_cast<size_t>(next)].value = value;
            parent.child[static_cast<size_t>(parent.nchild++)] = next;
        }
        cur = next;
    }
    ns.node[static_cast<size_t>(cur)].value = value;
    return true;
}

int ret_this_in_tree(int node, const std::vector<int>& keys, int depth, int pos,
                     const NodeSpace& ns) {
    int cur = node;
    for (int p = pos; p <= depth && p <= static_cast<int>(keys.size()); ++p) {
        int next =
            findchild(ns.node[static_cast<size_t>(cur)], keys[static_cast<size_t>(p - 1)], ns);
        if (next == 0) break;
        cur = next;
    }
    return ns.node[static_cast<size_t>(cur)].value;
}

void initset(IntSet& s, int size) {
    if (s.v.empty())
        s.v.assign(static_cast<size_t>(size) + 1, 0);
    else
        std::fill(s.v.begin(), s.v.end(), 0);
    s.count = 0;
}

void setaddnode(IntSet& s, int value) {
    if (s.v.empty()) {
        listout("Set not associated. Use initset");
        initset(s, 400);
    }
    if (s.count + 1 > static_cast<int>(s.v.size()) - 1) {
        listout("overflow in setaddnode");
        return;
    }
    if (s.count + 1 < 1) {
        listout("underflow in setaddnode");
        return;
    }
    s.v[static_cast<size_t>(++s.count)] = value;
}

int setfindpos(const IntSet& s, int value) {
    for (int i = 1; i <= s.count; ++i)
        if (s.v[static_cast<size_t>(i)] == value) return i;
    return -1;
}

void destroyset(IntSet& s) {
    s.v.clear();
    s.count = 0;
}

void sortthispls(std::vector<int>& pos, const std::vector<int>& score) {
    std::stable_sort(pos.begin(), pos.end(), [&](int a, int b) {
        return score[static_cast<size_t>(a)] > score[static_cast<size_t>(b)];
    });
}

std::vector<int> sort_by_kardinality(const TypeMatrix& uniqs) {
    std::vector<int> types(kTypes), card(kTypes + 1, 0);
    std::iota(types.begin(), types.end(), 1);
    for (int a = 1; a <= kTypes; ++a)
        for (int b = 1; b <= kTypes; ++b)
            if (uniqs[a][b] > 0) ++card[static_cast<size_t>(a)], ++card[static_cast<size_t>(b)];
    std::stable_sort(types.begin(), types.end(), [&](int a, int b) {
        return card[static_cast<size_t>(a)] > card[static_cast<size_t>(b)];
    });
    return types;
}

void convert_logical_to_labeling(const LabelTable& labels, int nsamples, Schedule& s,
                                 const TypeMatrix& uniqs) {
    for (int k = 1; k <= nsamples && k <= kSamples && k < static_cast<int>(labels.size()); ++k)
        for (int f = 1; f <= kTypes; ++f)
            for (int e = 1; e <= kTypes; ++e)
                if (labels[static_cast<size_t>(k)][static_cast<size_t>(f)][0] &&
                    labels[static_cast<size_t>(k)][static_cast<size_t>(e)][1] && uniqs[f][e] > 0)
                    addentry(s.samples[k], f, e, 0);
    s.nsamples = nsamples;
    s.maxfront = s.maxend = kTypes;
}
