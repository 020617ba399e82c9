#include "labelio/pricefile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string strip(const std::string& s) {
    size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool blank(const std::string& s) { return strip(s).empty(); }

// A whole number 0..kMaxPrice, digits only.
bool pricevalue(const std::string& f, int& v) {
    if (f.empty() || f.size() > 7 || !std::all_of(f.begin(), f.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c));
        }))
        return false;
    v = std::stoi(f);
    return v <= kMaxPrice;
}

// A price table is a few hundred bytes; anything past this is not one.
constexpr size_t kMaxFileBytes = 65536;

}  // namespace

bool readpricefile(const std::string& path, std::vector<std::string>& lines, std::string& why) {
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f) {
        why = std::strerror(errno);
        return false;
    }
    std::string text;
    char buf[4096];
    size_t n = 0;
    while (text.size() <= kMaxFileBytes && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed) {
        why = "it cannot be read";
        return false;
    }
    if (text.size() > kMaxFileBytes) {
        why = "it is far larger than a price table";
        return false;
    }
    lines.clear();
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        std::string l = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return true;
}

std::vector<std::string> csvfields(const std::string& line) {
    std::vector<std::string> out;
    std::string f;
    bool quoted = false, wasquoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c != '"') {
                f += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                f += '"', ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"' && blank(f)) {
            quoted = wasquoted = true, f.clear();
        } else if (c == ',') {
            out.push_back(wasquoted ? f : strip(f));
            f.clear(), wasquoted = false;
        } else if (!(wasquoted && (c == ' ' || c == '\t'))) {
            f += c;
        }
    }
    out.push_back(wasquoted ? f : strip(f));
    return out;
}

std::string csvfield(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos && text == strip(text)) return text;
    std::string q = "\"";
    for (char c : text) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string pricecsv(const PriceSheet& s) {
    std::string t = "unit," + csvfield(s.unit) + "\ntype,13C,15N,both\n";
    for (int r = 1; r <= kTypes; ++r) {
        const TypePrice& p = s.rows[static_cast<size_t>(r)];
        t += std::string(pricerowname(r)) + "," + std::to_string(p.c13) + "," +
             std::to_string(p.n15) + "," + std::to_string(p.both) + "\n";
    }
    return t;
}

bool parseprices(const std::vector<std::string>& lines, PriceSheet& out, int& badline,
                 std::string& why) {
    PriceSheet s;
    std::array<int, kTypes + 1> seenat{};  // line of each row, 0 while missing
    int stage = 0;                         // 0 unit line, 1 column names, 2 rows
    badline = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string line = lines[i];
        if (i == 0 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);  // spreadsheet mark
        if (blank(line)) continue;
        const int at = static_cast<int>(i) + 1;
        std::vector<std::string> f = csvfields(line);
        auto fail = [&](const std::string& text) {
            badline = at;
            why = text;
            return false;
        };
        if (stage == 0) {
            if (upper(f[0]) != "UNIT" || f.size() != 2 || f[1].empty())
                return fail(
                    "the first line must name the unit, as in "
                    "\"unit,USD per sample of 1 L culture\".");
            s.unit = f[1];
            stage = 1;
            continue;
        }
        if (stage == 1) {
            if (f.size() != 4 || upper(f[0]) != "TYPE" || upper(f[1]) != "13C" ||
                upper(f[2]) != "15N" || upper(f[3]) != "BOTH")
                return fail("the second line must name the columns: \"type,13C,15N,both\".");
            stage = 2;
            continue;
        }
        int r = 0;
        for (int t = 1; t <= kTypes && !r; ++t)
            if (upper(f[0]) == pricerowname(t)) r = t;
        if (r == 0) return fail("\"" + f[0] + "\" is not a residue type of the price table.");
        if (seenat[static_cast<size_t>(r)])
            return fail(std::string(pricerowname(r)) + " is priced twice (also on line " +
                        std::to_string(seenat[static_cast<size_t>(r)]) + ").");
        if (f.size() != 4)
            return fail("a row holds a type and three prices (13C, 15N, both), not " +
                        std::to_string(f.size() - 1) + ".");
        TypePrice& p = s.rows[static_cast<size_t>(r)];
        const char* col[] = {"13C", "15N", "both"};
        int* v[] = {&p.c13, &p.n15, &p.both};
        for (int k = 0; k < 3; ++k)
            if (!pricevalue(f[static_cast<size_t>(k) + 1], *v[k]))
                return fail("the " + std::string(col[k]) + " price of " + pricerowname(r) +
                            " is \"" + f[static_cast<size_t>(k) + 1] +
                            "\": a price is a whole number from 0 to 1000000.");
        seenat[static_cast<size_t>(r)] = at;
    }
    if (stage < 2) {
        badline = 0;
        why = "it holds no price table (a unit line, the column names and one row per type).";
        return false;
    }
    std::string missing;
    for (int t = 1; t <= kTypes; ++t)
        if (!seenat[static_cast<size_t>(t)])
            missing += (missing.empty() ? "" : ", ") + std::string(pricerowname(t));
    if (!missing.empty()) {
        why = "it prices no row for " + missing + ".";
        return false;
    }
    out = s;
    return true;
}

bool pricesfromfile(const std::string& path, PriceSheet& out, std::string& problem) {
    std::vector<std::string> lines;
    std::string why;
    if (!readpricefile(path, lines, why)) {
        problem = "cannot be read: " + why + ".";
        return false;
    }
    int line = 0;
    if (parseprices(lines, out, line, why)) return true;
    problem = line > 0 ? "line " + std::to_string(line) + ": " + why : "is refused: " + why;
    return false;
}
