#include "labelio/html.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <sstream>

#include "labelio/codebook.h"
#include "labelio/labelfile.h"
#include "labelio/pairreports.h"
#include "labelio/recipe.h"
#include "labelio/reports.h"

namespace {

constexpr int kCell = 10;        // grid cell, pixels
constexpr int kLabel = 80;       // width of the sample labels of the grid
constexpr int kPerLine = 60;     // residues per line of the sequence
constexpr int kPerBlock = 50;    // residues per block of the grid: 600 pixels, a page's width
constexpr int kNumberRoom = 20;  // past the last cell, for a residue number that starts there

const char* const kStyle = R"(
body { font-family: sans-serif; margin: 2em; color: #222; }
h1 { margin-bottom: 0.2em; }
h2 { margin-top: 1.6em; border-bottom: 1px solid #ccc; }
.seq { font-family: monospace; font-size: 15px; line-height: 1.7; }
.seq .pos { color: #888; display: inline-block; width: 4em; }
.u { background: #ffe08a; }
.u.r { background: #9fe29f; font-weight: bold; }
.grid { border: 1px solid #ddd; padding: 4px; }
.grid svg { display: block; margin: 4px 0 10px 0; break-inside: avoid; }
.grid rect.on { fill: #2a6fb0; }
.grid rect.off { fill: #eef1f5; }
.grid rect.hsqc { fill: #9cc3e6; }
.grid text { font-size: 11px; font-family: sans-serif; }
table { border-collapse: collapse; }
td, th { border: 1px solid #ccc; padding: 2px 8px; text-align: left; }
td.num { text-align: right; }
.pattern { font-family: monospace; letter-spacing: 1px; }
.legend span { padding: 0 6px; margin-right: 8px; }
@media print {
  body { margin: 0; }
  h2 { break-after: avoid; }
  tr, .seq div { break-inside: avoid; }
  .u, .u.r, .grid rect, .legend span { print-color-adjust: exact; -webkit-print-color-adjust: exact; }
}
)";

// Added to the style only on a page with an assignment.
const char* const kAssignedStyle = R"(
.a { text-decoration: underline; text-decoration-thickness: 3px; text-decoration-color: #c0392b; }
tr.sure td, tr.likely td { background: #eaf7ea; }
@media print {
  tr.sure td, tr.likely td { print-color-adjust: exact; -webkit-print-color-adjust: exact; }
}
)";

std::string fixed(double x, int decimals) {
    char b[48];
    std::snprintf(b, sizeof b, "%.*f", decimals, x);
    return b;
}

std::string residuename(const KemraData& d, int r) {
    return typename_of(d, d.irlib[static_cast<size_t>(r)]) + " " +
           std::to_string(d.ir[static_cast<size_t>(r)]);
}

// The last assignment through the labeling, as assignpairs printed it.
void assignsection(std::ostringstream& h, const AssignedRun& a) {
    static const char* const keys[] = {"sure", "likely", "ambiguous", "shared", "nocode"};
    static const char* const heads[] = {"Sure", "Likely", "Ambiguous", "Shared", "No code"};
    h << "<h2>Assignments</h2>\n<p id=\"assign-source\">The peaks of the spectra in "
      << htmlescape(a.table) << " (" << (a.hsqc ? "HSQC and HNCO" : "HNCO") << ", " << a.nsamples
      << (a.nsamples == 1 ? " sample" : " samples")
      << ") read through this labeling: a peak within " << fixed(a.tolh, 3) << " ppm 1H, "
      << fixed(a.toln, 2) << " ppm 15N and " << fixed(a.tolc, 2)
      << " ppm 13C of its residue&#39;s position, at most " << a.lost
      << " sample states lost per residue.</p>\n<table id=\"assign-counts\">\n";
    for (size_t v = 0; v < a.tally.size(); ++v)
        h << "<tr><th>" << heads[v] << "</th><td class=\"num\" id=\"assign-" << keys[v] << "\">"
          << a.tally[v] << "</td></tr>\n";
    h << "</table>\n<table id=\"assignments\">\n<tr><th>#</th><th>1H</th><th>15N</th>"
         "<th>13C</th><th>Code</th><th>Residue</th><th>Status</th><th>Why</th></tr>\n";
    int n = 0;
    for (const AssignedGroup& g : a.groups) {
        std::string key = g.status == "no code" ? "nocode" : g.status;
        h << "<tr class=\"" << htmlescape(key) << "\"><td class=\"num\">" << ++n
          << "</td><td class=\"num\">" << fixed(g.h, 3) << "</td><td class=\"num\">"
          << fixed(g.n, 2) << "</td><td class=\"num\">" << (g.c > 0 ? fixed(g.c, 2) : "&ndash;")
          << "</td><td class=\"pattern\">" << htmlescape(g.code) << "</td><td>" << htmlescape(g.who)
          << "</td><td>" << htmlescape(g.status) << "</td><td>" << htmlescape(g.why)
          << "</td></tr>\n";
    }
    h << "</table>\n";
    std::vector<AssignedCount> off;
    for (const AssignedCount& c : a.counts)
        if (c.seen != c.expected) off.push_back(c);
    if (off.empty()) {
        h << "<p id=\"assign-peaks\">Every spectrum holds the peaks the design predicts.</p>\n";
    } else {
        h << "<p id=\"assign-peaks\">Spectra whose peaks differ from the design&#39;s "
             "prediction:</p>\n<table id=\"assign-differ\">\n<tr><th>Sample</th>"
             "<th>Spectrum</th><th>Peaks</th><th>Predicted</th></tr>\n";
        for (const AssignedCount& c : off)
            h << "<tr><td class=\"num\">" << c.sample << "</td><td>" << (c.hsqc ? "HSQC" : "HNCO")
              << "</td><td class=\"num\">" << c.seen << "</td><td class=\"num\">" << c.expected
              << "</td></tr>\n";
        h << "</table>\n";
    }
    std::string unseen;
    for (const std::string& r : a.unseen) unseen += (unseen.empty() ? "" : ", ") + r;
    h << "<p id=\"assign-unseen\">"
      << (unseen.empty() ? std::string("Every residue that should show has peaks.")
                         : "No peaks of: " + htmlescape(unseen) + ".")
      << "</p>\n";
}

std::string namelist(const std::vector<int>& types, const KemraData& d) {
    std::string s;
    for (int t : types) s += (s.empty() ? "" : " ") + typename_of(d, t);
    return s.empty() ? "&ndash;" : htmlescape(s);
}

// The code book: one row per pair, shared codes marked on each of their rows.
void codetable(std::ostringstream& h, const CodeBook& b, const KemraData& d) {
    h << "<h2>Code book</h2>\n<p>Every code the samples show, with the pair and the residues "
         "whose amide gives the peaks"
      << (b.model.twospectra() ? " (_ no peak, H HSQC peak only, X HSQC and HNCO peaks)"
                               : " (X HNCO peak, _ none)")
      << ".</p>\n<table id=\"codes\">\n<tr><th>Code</th><th>13C (front)</th>"
         "<th>15N (end)</th><th>Residues</th><th>Note</th></tr>\n";
    for (const CodeRow& r : coderows(b, d))
        h << "<tr><td class=\"pattern\">" << r.word << "</td><td>" << htmlescape(r.front)
          << "</td><td>" << htmlescape(r.end) << "</td><td>" << r.residues << "</td><td>" << r.note
          << "</td></tr>\n";
    h << "</table>\n";
}

// The grid: one row per sample, one cell per residue, in blocks of
// kPerBlock residues one below the other, so that a printed page holds the
// whole of each block.
void gridblocks(std::ostringstream& h, const KemraData& d, const CodeMatrix& shown, int nsamples) {
    h << "<h2>Samples by residue</h2>\n<div class=\"grid\" id=\"grid\">\n";
    const int height = (kCell + 4) * (nsamples + 1) + 4;
    for (int first = 1; first <= d.nr; first += kPerBlock) {
        const int last = std::min(d.nr, first + kPerBlock - 1);
        h << "<svg class=\"block\" data-first=\"" << first << "\" data-last=\"" << last
          << "\" xmlns=\"http://www.w3.org/2000/svg\" width=\""
          << kLabel + kCell * (last - first + 1) + kNumberRoom << "\" height=\"" << height
          << "\" role=\"img\" aria-label=\"samples by residue " << first << " to " << last
          << "\">\n";
        // Residue numbers: the first of the block, then every tenth.
        for (int i = first; i <= last; ++i)
            if (i == first || i % 10 == 0)
                h << "<text x=\"" << kLabel + kCell * (i - first) << "\" y=\"" << kCell << "\">"
                  << i << "</text>";
        h << "\n";
        for (int k = 1; k <= nsamples; ++k) {
            int y = (kCell + 4) * k;
            h << "<g class=\"sample-row\" data-sample=\"" << k << "\"><text x=\"0\" y=\""
              << y + kCell - 1 << "\">Sample " << k << "</text>";
            for (int i = first; i <= last; ++i) {
                char state = Model::state(residuecode(d, shown, i), k - 1);
                h << "<rect class=\""
                  << (state == 'X'   ? "on"
                      : state == 'H' ? "hsqc"
                                     : "off")
                  << "\" x=\"" << kLabel + kCell * (i - first) << "\" y=\"" << y << "\" width=\""
                  << kCell - 1 << "\" height=\"" << kCell << "\"/>";
            }
            h << "</g>\n";
        }
        h << "</svg>\n";
    }
    h << "</div>\n";
}

}  // namespace

std::string htmlescape(const std::string& s) {
    std::string o;
    for (char c : s) switch (c) {
            case '&':
                o += "&amp;";
                break;
            case '<':
                o += "&lt;";
                break;
            case '>':
                o += "&gt;";
                break;
            case '"':
                o += "&quot;";
                break;
            case '\'':
                o += "&#39;";
                break;
            default:
                o += c;
        }
    return o;
}

std::string report_html(const std::string& protein, int rank, const LabelData& l,
                        const KemraData& d, const AssignedRun* assigned) {
    // The unique pairs of the analysis the design was made on.
    const Analysis how = l.slotanalysis[static_cast<size_t>(rank)];
    Selection unique;
    TypeMatrix uniqs{};
    annotatepairs(d, l, unique, uniqs, how.banned ? Bans::on : Bans::off, how.multipair, false);
    auto held = std::make_unique<Schedule>();
    Schedule& s = *held;
    import_pairs(l, rank, s);
    fillschednrs(s, uniqs);
    const bool two = s.model.twospectra();
    int nsamples = designsamples(s);
    std::vector<PairLine> pairs = labelpairs(s, uniqs, d);
    const CodeMatrix codes = paircodes(s, uniqs), shown = paircodes(s);
    auto isunique = [&](int f, int e) { return uniquepair(unique, uniqs, f, e); };
    auto resolved = [&](int f, int e) {
        return isunique(f, e) && resolvedpair(codes, uniqs, f, e);
    };
    const UniqueTally tally = tallyunique(codes, unique, uniqs);
    const std::array<int, kSamples + 1> peaks = samplepeaks(d, s);
    // Per residue the status of its assignment: sure, likely or empty.
    std::vector<std::string> mark(static_cast<size_t>(d.nr) + 1);
    if (assigned)
        for (const AssignedGroup& g : assigned->groups)
            if (g.residue >= 1 && g.residue <= d.nr)
                mark[static_cast<size_t>(g.residue)] = g.status;
    auto marked = [&](int i) {
        const std::string& m = mark[static_cast<size_t>(i)];
        return m.empty() ? m : residuename(d, i) + " assigned, " + m;
    };

    std::ostringstream h;
    std::string title = htmlescape(protein);
    h << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "style-src 'unsafe-inline'\">\n"
      << "<title>Labeling " << rank << " of " << title << "</title>\n<style>" << kStyle
      << (assigned ? kAssignedStyle : "") << "</style>\n</head>\n<body>\n";
    h << "<h1 id=\"protein\">" << title << "</h1>\n<p id=\"length\">" << d.nr
      << (d.nr == 1 ? " residue" : " residues") << ", labeling " << rank << " in " << nsamples
      << (nsamples == 1 ? " sample" : " samples")
      << (two ? ", each recorded as an HSQC and an HNCO spectrum" : "") << "</p>\n";

    // Counts first: what a reader wants to know at a glance.
    h << "<h2>Counts</h2>\n<table id=\"counts\">\n"
      << "<tr><th>Unique pairs</th><td class=\"num\" id=\"count-unique\">" << tally.unique
      << "</td></tr>\n<tr><th>Resolved unique pairs</th><td class=\"num\" id=\"count-resolved\">"
      << tally.resolved << "</td></tr>\n<tr><th>Pair analysis</th><td id=\"count-analysis\">"
      << (how.banned ? "pairs with ASP, ASN, GLU, GLN or PRO left out" : "every residue type")
      << (how.multipair > 1 ? ", repeat limit " + std::to_string(how.multipair) : "")
      << "</td></tr>\n<tr><th>Samples</th><td class=\"num\" id=\"count-samples\">" << nsamples
      << "</td></tr>\n<tr><th>Peaks per sample</th><td id=\"count-peaks\">";
    int total = 0;
    for (int k = 1; k <= nsamples; ++k) {
        h << (k > 1 ? ", " : "") << k << ": " << peaks[static_cast<size_t>(k)];
        total += peaks[static_cast<size_t>(k)];
    }
    h << (nsamples == 0 ? "&ndash;" : "") << "</td></tr>\n<tr><th>Peaks in all samples</th>"
      << "<td class=\"num\" id=\"count-total-peaks\">" << total << "</td></tr>\n</table>\n";

    // Sequence, one line of 60 residues at a time, unique pairs marked.
    h << "<h2>Sequence</h2>\n<p class=\"legend\"><span class=\"u\">unique pair starts here"
      << "</span><span class=\"u r\">unique pair resolved by this labeling</span>"
      << (assigned ? "<span class=\"a\">residue assigned from the spectra</span>" : "") << "</p>\n"
      << "<div class=\"seq\" id=\"sequence\">";
    for (int i = 1; i <= d.nr; ++i) {
        if ((i - 1) % kPerLine == 0)
            h << (i > 1 ? "</div>\n" : "\n") << "<div><span class=\"pos\">" << i << "</span>";
        int t = d.irlib[static_cast<size_t>(i)];
        char c = onelettercode(t);
        int f = t, e = i < d.nr ? d.irlib[static_cast<size_t>(i + 1)] : 0;
        const std::string as = marked(i);
        if (i < d.nr && isunique(f, e))
            h << "<span class=\"u" << (resolved(f, e) ? " r" : "") << (as.empty() ? "" : " a")
              << "\" title=\""
              << htmlescape(typename_of(d, f) + "-" + typename_of(d, e) + (as.empty() ? "" : "; ") +
                            as)
              << "\">" << c << "</span>";
        else if (!as.empty())
            h << "<span class=\"a\" title=\"" << htmlescape(as) << "\">" << c << "</span>";
        else
            h << c;
    }
    h << (d.nr > 0 ? "</div>\n" : "") << "</div>\n";
    gridblocks(h, d, shown, nsamples);

    // Recipe.
    Recipe r = makerecipe(s, l, d, true);
    h << "<h2>Recipe</h2>\n<p>Per sample: the amino acids to buy with 13C on the carbonyl, "
         "with 15N on the amide, and with both labels, with their prices.</p>\n"
      << "<table id=\"recipe\">\n<tr><th>Sample</th><th>13C</th><th>Price</th><th>15N</th>"
         "<th>Price</th><th>13C and 15N</th><th>Price</th><th>Sample price</th></tr>\n";
    int k = 0;
    for (const RecipeSample& rs : r.samples) {
        h << "<tr class=\"recipe-sample\"><td class=\"num\">" << ++k << "</td><td>"
          << namelist(rs.c13, d) << "</td><td class=\"num\">" << rs.c13price << "</td><td>"
          << namelist(rs.n15, d) << "</td><td class=\"num\">" << rs.n15price << "</td><td>"
          << namelist(rs.both, d) << "</td><td class=\"num\">" << rs.bothprice
          << "</td><td class=\"num\">" << rs.price() << "</td></tr>\n";
    }
    h << "</table>\n<p id=\"recipe-total\">Total price of all samples: " << r.total << "</p>\n";

    // Pairs.
    h << "<h2>Pairs</h2>\n<table id=\"pairs\">\n<tr><th>#</th><th>13C (front)</th>"
         "<th>15N (end)</th><th>Samples 1&ndash;"
      << nsamples << "</th><th>Mask</th><th>Occurs</th><th>First position</th>"
      << "<th>Unique</th><th>Resolved</th>" << (assigned ? "<th>Assigned</th>" : "") << "</tr>\n";
    // The assigned residues whose amide the pair gives.
    auto confirmed = [&](const PairLine& p) {
        std::string who;
        for (int i = 2; i <= d.nr; ++i)
            if (d.irlib[static_cast<size_t>(i) - 1] == p.front &&
                d.irlib[static_cast<size_t>(i)] == p.end && !mark[static_cast<size_t>(i)].empty())
                who += (who.empty() ? "" : ", ") + residuename(d, i) + " " +
                       mark[static_cast<size_t>(i)];
        return "<td>" + htmlescape(who) + "</td>";
    };
    int n = 0;
    for (const PairLine& p : pairs)
        h << "<tr><td class=\"num\">" << ++n << "</td><td>" << htmlescape(typename_of(d, p.front))
          << "</td><td>" << htmlescape(typename_of(d, p.end)) << "</td><td class=\"pattern\">"
          << Model::word(p.code, nsamples) << "</td><td class=\"num\">" << p.mask
          << "</td><td class=\"num\">" << p.count << "</td><td class=\"num\">" << p.position
          << "</td><td>" << (isunique(p.front, p.end) ? "yes" : "") << "</td><td>"
          << (resolved(p.front, p.end) ? "yes" : "") << "</td>"
          << (assigned ? confirmed(p) : std::string()) << "</tr>\n";
    h << "</table>\n";
    if (assigned) assignsection(h, *assigned);
    codetable(h, codebook(s, uniqs, d, l), d);
    h << "</body>\n</html>\n";
    return h.str();
}
