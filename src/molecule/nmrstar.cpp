// NMR-STAR reading is kept to what the sequence needs: save frames, free
// tags, loops, quoted and semicolon-delimited values. The sequence is taken
// from the one-letter field of the polymer (2.1 _Mol_residue_sequence, 3.x
// _Entity.Polymer_seq_one_letter_code); when that is missing or holds a
// letter no residue type stands for (X), from the polymer's residue loop.
#include "molecule/nmrstar.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <map>

#include "kemlang/print.h"
#include "molecule/kemradata.h"
#include "molecule/molecule.h"

namespace {

struct Loop {
    std::vector<std::string> tags;
    std::vector<std::string> values;  // row after row
    int column(const std::string& tag) const {
        for (size_t i = 0; i < tags.size(); ++i)
            if (tags[i] == tag) return static_cast<int>(i);
        return -1;
    }
    std::vector<std::string> columnvalues(const std::string& tag) const {
        std::vector<std::string> out;
        int c = column(tag);
        if (c < 0) return out;
        for (size_t k = static_cast<size_t>(c); k < values.size(); k += tags.size())
            out.push_back(values[k]);
        return out;
    }
};

struct Frame {
    std::string name;
    std::map<std::string, std::string> tags;
    std::vector<Loop> loops;
    std::string tag(const std::string& t) const {
        auto it = tags.find(t);
        return it == tags.end() ? std::string() : it->second;
    }
};

struct Token {
    std::string text;
    bool value = false;  // quoted or semicolon text: never a keyword or tag
};

std::vector<Token> tokenize(std::ifstream& in) {
    std::vector<Token> out;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == ';') {
            std::string text = line.substr(1), more;
            while (std::getline(in, more)) {
                if (!more.empty() && more.back() == '\r') more.pop_back();
                if (!more.empty() && more[0] == ';') break;
                text += "\n" + more;
            }
            out.push_back({text, true});
            continue;
        }
        size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
            if (i >= line.size() || line[i] == '#') break;
            char q = line[i];
            if (q == '\'' || q == '"') {
                size_t j = i + 1;
                while (j < line.size() &&
                       !(line[j] == q && (j + 1 == line.size() ||
                                          std::isspace(static_cast<unsigned char>(line[j + 1])))))
                    ++j;
                out.push_back({line.substr(i + 1, j - i - 1), true});
                i = j + 1;
            } else {
                size_t j = i;
                while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j]))) ++j;
                out.push_back({line.substr(i, j - i), false});
                i = j;
            }
        }
    }
    return out;
}

bool keyword(const Token& t, const char* k) {
    return !t.value && t.text.compare(0, std::strlen(k), k) == 0;
}
bool istag(const Token& t) { return !t.value && !t.text.empty() && t.text[0] == '_'; }
bool structural(const Token& t) {
    return istag(t) || keyword(t, "loop_") || keyword(t, "stop_") || keyword(t, "save_") ||
           keyword(t, "data_");
}

// Frames of the entry; tags outside any frame go to frame 0.
std::vector<Frame> parse(const std::vector<Token>& toks, std::string& id, int& frames) {
    std::vector<Frame> out(1);
    frames = 0;
    size_t i = 0;
    while (i < toks.size()) {
        const Token& t = toks[i];
        if (keyword(t, "data_")) {
            id = t.text.substr(5);
            ++i;
        } else if (keyword(t, "save_")) {
            if (t.text.size() > 5) {
                out.push_back(Frame{t.text.substr(5), {}, {}});
                ++frames;
            } else {
                out.push_back(Frame{});  // after a frame: outside again
            }
            ++i;
        } else if (keyword(t, "loop_")) {
            Loop l;
            ++i;
            while (i < toks.size() && istag(toks[i])) l.tags.push_back(toks[i++].text);
            while (i < toks.size() && !keyword(toks[i], "stop_") && !structural(toks[i]))
                l.values.push_back(toks[i++].text);
            if (i < toks.size() && keyword(toks[i], "stop_")) ++i;
            if (!l.tags.empty()) out.back().loops.push_back(std::move(l));
        } else if (istag(t)) {
            std::string v;
            if (i + 1 < toks.size() && !structural(toks[i + 1])) v = toks[++i].text;
            out.back().tags.emplace(t.text, v);
            ++i;
        } else {
            ++i;
        }
    }
    return out;
}

std::string category(const Frame& f) {
    std::string c = f.tag("_Saveframe_category");
    for (const auto& [tag, v] : f.tags)
        if (c.empty() && tag.size() > 12 && tag.compare(tag.size() - 12, 12, ".Sf_category") == 0)
            c = v;
    return c;
}

bool absent(const std::string& v) { return v.empty() || v == "." || v == "?"; }

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Sequence of a protein polymer frame: one-letter field first, residue loop
// second.
StarPolymer polymer(const Frame& f, bool v3) {
    StarPolymer p;
    const std::string codetag =
        v3 ? "_Entity.Polymer_seq_one_letter_code" : "_Mol_residue_sequence";
    p.name = v3 ? f.tag("_Entity.Name") : f.tag("_Name_common");
    if (absent(p.name)) p.name = f.name;
    std::vector<std::string> looped;
    std::string looptag;
    for (const char* t :
         v3 ? std::vector<const char*>{"_Entity_poly_seq.Mon_ID", "_Entity_comp_index.Comp_ID"}
            : std::vector<const char*>{"_Residue_label"})
        for (const Loop& l : f.loops)
            if (looped.empty() && l.column(t) >= 0) {
                looped = l.columnvalues(t);
                looptag = t;
            }
    std::string code = f.tag(codetag);
    int bad = 0;
    std::vector<std::string> names;
    if (!absent(code) && onelettersequence(code, names, bad)) {
        p.residues = names;
        p.source = codetag;
    } else if (!looped.empty()) {
        for (std::string& n : looped) upcase(n);
        p.residues = looped;
        p.source = looptag;
    } else if (!absent(code)) {
        std::string letters;
        for (char c : code)
            if (!std::isspace(static_cast<unsigned char>(c))) letters += c;
        p.error = "Illegal residue letter \"" +
                  std::string(1, bad >= 1 && bad <= static_cast<int>(letters.size())
                                     ? letters[static_cast<size_t>(bad) - 1]
                                     : '?') +
                  "\" at position " + std::to_string(bad) + " of " + codetag + ".";
    } else {
        p.error = "The polymer has neither " + codetag + " nor a residue loop.";
    }
    return p;
}

bool isprotein(const Frame& f, bool& v3) {
    std::string c = lower(category(f));
    if (c == "monomeric_polymer") {
        v3 = false;
        std::string cls = lower(f.tag("_Mol_polymer_class"));
        return absent(cls) || cls.find("protein") != std::string::npos ||
               cls.find("polypeptide") != std::string::npos;
    }
    if (c == "entity") {
        v3 = true;
        std::string type = lower(f.tag("_Entity.Type"));
        std::string ptype = lower(f.tag("_Entity.Polymer_type"));
        return (absent(type) || type == "polymer") &&
               (absent(ptype) || ptype.compare(0, 11, "polypeptide") == 0);
    }
    return false;
}

bool setsequence(const std::vector<std::string>& names) {
    KemraData& d = kemradata;
    d.nr = static_cast<int>(names.size());
    d.nlink = 0;
    d.ialink.assign(1, {0, 0});
    d.rnam.assign(1, "");
    d.ir.assign(1, 0);
    d.cis.assign(1, 0);
    for (size_t i = 0; i < names.size(); ++i) {
        d.rnam.push_back(names[i].substr(0, 5));
        d.ir.push_back(static_cast<int>(i) + 1);
        d.cis.push_back(0);
    }
    d.rid.assign(static_cast<size_t>(d.nr) + 1, "");
    for (int r = 1; r <= d.nr; ++r) d.rid[r] = std::to_string(d.ir[r]);
    return build();
}

}  // namespace

StarEntry readstar(const std::string& file) {
    StarEntry e;
    std::ifstream in(file);
    if (!in) return e;
    e.opened = true;
    std::vector<Frame> frames = parse(tokenize(in), e.id, e.frames);
    for (const Frame& f : frames) {
        for (const Loop& l : f.loops)
            if (l.column("_Chem_shift_value") >= 0 || l.column("_Atom_chem_shift.Val") >= 0)
                e.shiftloop = true;
        bool v3 = false;
        if (isprotein(f, v3)) e.proteins.push_back(polymer(f, v3));
    }
    return e;
}

bool isnmrstar(const std::string& file) {
    size_t dot = file.rfind('.'), slash = file.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash) &&
        lower(file.substr(dot + 1)) == "str")
        return true;
    std::ifstream in(file);
    std::string first;
    return in && std::getline(in, first) && first.compare(0, 5, "data_") == 0;
}

bool onelettersequence(const std::string& code, std::vector<std::string>& names, int& bad) {
    static const char* codes = "ARNDCQEGHILKMFPSTWYV";
    static const char* three[] = {"ALA", "ARG", "ASN", "ASP", "CYS", "GLN", "GLU",
                                  "GLY", "HIS", "ILE", "LEU", "LYS", "MET", "PHE",
                                  "PRO", "SER", "THR", "TRP", "TYR", "VAL"};
    names.clear();
    bad = 0;
    int pos = 0;
    for (size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        ++pos;
        if (c == '(') {
            size_t close = code.find(')', i);
            if (close == std::string::npos) break;
            std::string n = code.substr(i + 1, close - i - 1);
            upcase(n);
            names.push_back(n);
            i = close;
            continue;
        }
        const char* hit = std::strchr(codes, std::toupper(static_cast<unsigned char>(c)));
        if (hit == nullptr || c == '\0') {
            bad = pos;
            return false;
        }
        names.push_back(three[hit - codes]);
    }
    return true;
}

std::string falsepairnote() {
    return " An unknown residue would join its neighbours into a false pair: split the "
           "sequence there.";
}

bool getstarseq(const std::string& file) {
    kemradata.nr = 0;
    StarEntry e = readstar(file);
    if (e.proteins.empty()) {
        errmsg("No protein sequence found in the NMR-STAR entry " + strq(file) + ".");
        return false;
    }
    const StarPolymer& p = e.proteins.front();
    if (!p.error.empty()) {
        bool letter = p.error.compare(0, 14, "Illegal residu") == 0;
        errmsg(strp(p.error) + (letter ? falsepairnote() : std::string()));
        return false;
    }
    if (e.proteins.size() > 1)
        wrnmsg("The entry holds " + intp(static_cast<int>(e.proteins.size())) +
               " protein polymers; only the first, " + strq(p.name) + ", is read.");
    putlin(2, "Sequence of " + strq(p.name) + " taken from BMRB entry " + strq(e.id) + " (" +
                  strp(p.source) + ").");
    return setsequence(p.residues);
}

void checkstarsequence(const std::string& file) {
    StarEntry e = readstar(file);
    if (e.proteins.empty() || e.proteins.front().residues.empty()) return;
    const std::vector<std::string>& seq = e.proteins.front().residues;
    const KemraData& d = kemradata;
    std::string diffs;
    int ndiff = 0, listed = 0;
    for (size_t k = 1; k <= seq.size(); ++k) {
        int r = 0;
        for (int i = 1; i <= d.nr && r == 0; ++i)
            if (d.ir[i] == static_cast<int>(k)) r = i;
        std::string mine = r > 0 ? d.rnam[r] : std::string("none");
        if (mine.substr(0, 3) == seq[k - 1].substr(0, 3)) continue;
        ++ndiff;
        if (listed < 5) {
            diffs += (listed ? ", " : "") + std::to_string(k) + " " + seq[k - 1] + " (here " +
                     mine + ")";
            ++listed;
        }
    }
    bool longer = d.nr > static_cast<int>(seq.size());
    if (ndiff == 0 && !longer) return;
    std::string more = ndiff > listed ? " and " + std::to_string(ndiff - listed) + " more" : "";
    std::string text = "The sequence of entry " + strq(file) + " (" +
                       plural(static_cast<int>(seq.size()), "residue") +
                       ") differs from the molecule's (" + plural(d.nr, "residue") + ")";
    if (ndiff > 0) text += ": entry residue " + strp(diffs + more);
    wrnmsg(text + ".");
}

void explainemptystar(const std::string& file) {
    StarEntry e = readstar(file);
    if (e.frames == 0)
        wrnmsg(strq(file) + " is not an NMR-STAR entry: it has no save frames.");
    else if (!e.shiftloop)
        wrnmsg("Entry " + strq(file) + " holds no assigned chemical shift loop.");
}
