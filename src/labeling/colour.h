// Colouring the conflict graph of the unique pairs, and what full labelling
// of one sample would show.
//
// Two unique pairs conflict when they share a residue type (in either role)
// or when the front of one followed by the end of the other occurs in the
// sequence: in one sample they would share a label or show a third pair.
// Pairs of one colour class can go into one sample together.
//
// Choices of ours:
//  - the vertex order of the greedy colouring is by degree, most conflicts
//    first (ties by pair number); each pair takes the smallest colour that
//    none of its coloured neighbours has;
//  - colour classes are renumbered by size, largest first (ties by colour);
//  - full labelling of a sample labels each residue type that the sample
//    labels with either isotope with both; the report lists every occurring
//    pair that would then show in the sample, with its occurrence count
//    ("U:"), whether it shows already ("Akt:" 1 or 0) and its pattern now.
#pragma once

#include <vector>

#include "labeling/pairs.h"

bool isadjacent(const Selection& base, const TypeMatrix& uniqs, int i, int j);

struct Colouring {
    std::vector<int> order;   // pair numbers in colouring order
    std::vector<int> colour;  // colour of pair k at index k (index 0 unused), 1-based
    int ncolours = 0;
};

// Vertex order by degree, most first.
std::vector<int> vertex_color_suggest(const Selection& base, const TypeMatrix& uniqs);
// Greedy colouring in the given order.
Colouring vertex_color_greedy(const Selection& base, const TypeMatrix& uniqs,
                              const std::vector<int>& order);
// Colours renumbered so that colour 1 is the largest class; returns the
// class sizes, largest first.
std::vector<int> sortclasses(Colouring& c);

struct FullLine {
    int front = 0, end = 0, occur = 0, mask = 0;
    bool shows = false;  // shows in the sample already
};
// Pairs that sample k of the filled schedule s would show with its residue
// types fully labelled.
std::vector<FullLine> fulllabeled(const Schedule& s, const TypeMatrix& uniqs, int k);
