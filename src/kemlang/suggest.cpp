// Suggestions use the optimal-string-alignment distance: a typed word is
// usually one or two slips away from the name (a letter missing, doubled,
// wrong or two letters swapped), and a swap is a single slip.
#include "kemlang/suggest.h"

#include <algorithm>
#include <cctype>

#include "kemlang/print.h"

namespace {

std::vector<std::string> appnames;

// The statements the interpreter carries out itself.
const char* const kStatements[] = {
    "set",    "eval",   "show",   "unset", "external", "global",   "parameter",
    "var",    "if",     "else",   "end",   "do",       "break",    "goto",
    "return", "exit",   "quit",   "abort", "safe",     "command",  "subroutine",
    "syntax", "alias",  "print",  "error", "plot",     "readline", "type",
    "help",   "remove", "system", "sleep", "chdir",    "cd",       "synchronize",
};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

int distance(const std::string& a, const std::string& b) {
    const size_t n = a.size(), m = b.size();
    std::vector<std::vector<int>> d(n + 1, std::vector<int>(m + 1));
    for (size_t i = 0; i <= n; ++i) d[i][0] = static_cast<int>(i);
    for (size_t j = 0; j <= m; ++j) d[0][j] = static_cast<int>(j);
    for (size_t i = 1; i <= n; ++i)
        for (size_t j = 1; j <= m; ++j) {
            int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[n][m];
}

// Slips allowed for a word of this length: short words would otherwise
// resemble half the table.
int allowed(size_t len) { return len <= 3 ? 1 : len <= 7 ? 2 : 3; }

// One placeholder for the whole list: a long list must not run out of
// print arguments.
std::string quotedlist(const std::vector<std::string>& names, const std::string& last) {
    std::string s;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) s += i + 1 == names.size() ? last : ", ";
        s += "\"" + names[i] + "\"";
    }
    return strp(s);
}

}  // namespace

std::vector<std::string> closestnames(const std::string& word,
                                      const std::vector<std::string>& names) {
    const std::string w = lower(word);
    const int limit = allowed(w.size());
    std::vector<std::pair<int, std::string>> hits;
    for (const std::string& n : names) {
        if (n.empty() || n == word) continue;
        // Only the part a prefix-matching word could mean: "showlabl" is
        // one slip from "showlabel", not from all of "showlabelmultiple".
        int dist = distance(w, lower(n));
        if (n.size() > w.size() + static_cast<size_t>(limit))
            dist = std::min(dist, distance(w, lower(n.substr(0, w.size()))) + 1);
        if (dist <= limit &&
            std::none_of(hits.begin(), hits.end(), [&](auto& h) { return h.second == n; }))
            hits.emplace_back(dist, n);
    }
    std::stable_sort(hits.begin(), hits.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<std::string> out;
    for (const auto& h : hits) {
        if (out.size() == 4 || h.first > hits.front().first) break;
        out.push_back(h.second);
    }
    return out;
}

std::vector<std::string> abbreviatednames(const std::string& word,
                                          const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& n : names)
        if (!word.empty() && n.size() > word.size() && n.compare(0, word.size(), word) == 0 &&
            std::find(out.begin(), out.end(), n) == out.end())
            out.push_back(n);
    return out;
}

void setcommandnames(const std::vector<std::string>& names) {
    appnames.clear();
    for (const std::string& n : names)
        if (!n.empty()) appnames.push_back(n);
}

const std::vector<std::string>& commandnames() { return appnames; }

std::vector<std::string> knownnames() {
    std::vector<std::string> all = appnames;
    all.insert(all.end(), std::begin(kStatements), std::end(kStatements));
    return all;
}

void hintunknown(const std::string& word, const std::vector<std::string>& names) {
    std::vector<std::string> near = closestnames(word, names);
    if (near.empty())
        putlin(2, "Type \"help\" for the list of topics.");
    else
        putlin(2, "Did you mean " + quotedlist(near, " or ") + "?");
}

void hintambiguous(const std::string& word, const std::vector<std::string>& names) {
    std::vector<std::string> cands = abbreviatednames(word, names);
    if (cands.empty()) return;
    putlin(2, strq(word) + " abbreviates " + quotedlist(cands, " and ") + ".");
}
