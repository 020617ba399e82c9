// The PostScript side of the plot statement: the file with its prolog and
// trailer, the mapping of data onto the panel, the graphics state as written
// and the primitives (lines, closed shapes, splines, marks, text).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "kemlang/expr.h"
#include "kemlang/gstate.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "kemlang/services.h"

using Words = std::vector<std::string>;

namespace graphics {

PlotState gs;

namespace {

void rgb(const std::string& c, double& r, double& g, double& b) {
    r = g = b = 0;
    if (c == "white")
        r = g = b = 1;
    else if (c == "red")
        r = 1;
    else if (c == "green")
        g = 1;
    else if (c == "blue")
        b = 1;
    else if (c == "cyan")
        g = b = 1;
    else if (c == "magenta")
        r = b = 1;
    else if (c == "yellow")
        r = g = 1;
}

std::string psfont() {
    bool bold = gs.weight == "bold", slant = gs.angle != "regular";
    if (gs.font == "Symbol") return "Symbol";
    if (gs.font == "Times") {
        if (bold && slant) return "Times-BoldItalic";
        if (bold) return "Times-Bold";
        if (slant) return "Times-Italic";
        return "Times-Roman";
    }
    std::string s = gs.font;
    const char* slanted = gs.angle == "italic" && gs.font == "Courier" ? "Oblique" : "Oblique";
    if (bold && slant) return s + "-Bold" + slanted;
    if (bold) return s + "-Bold";
    if (slant) return s + "-" + slanted;
    return s;
}

std::string psstring(const std::string& s) {
    std::string r = "(";
    for (char c : s) {
        if (c == '(' || c == ')' || c == '\\') r += '\\';
        r += c;
    }
    return r + ")";
}

const char* kProlog[] = {
    "%%BeginProlog",
    "/kemlangdict 20 dict def",
    "kemlangdict begin",
    "/font { exch findfont exch scalefont setfont } bind def",
    "/arcpath { /t2 exch def /t1 exch def /ry exch def /rx exch def /cy exch def /cx exch def",
    ("  matrix currentmatrix cx cy translate rx ry scale newpath 0 0 1 t1 t2 arc setmatrix } "
     "bind def"),
    "/rect { /y2 exch def /x2 exch def /y1 exch def /x1 exch def",
    "  newpath x1 y1 moveto x2 y1 lineto x2 y2 lineto x1 y2 lineto closepath } bind def",
    "/area { gsave fill grestore } bind def",
    "/borderarea { gsave fill grestore stroke } bind def",
    "/paint { gsave setgray fill grestore } bind def",
    "/hatch { /hd exch def gsave clip newpath -3600 hd 1200",
    "  { dup -1200 moveto 2400 add 1200 lineto } for 0.5 setlinewidth stroke grestore } bind def",
    "end",
    "%%EndProlog",
};

// The program ends with a plot open: it is completed, not left without trailer.
void closeatexit() { gclose(); }

std::string polypath(const std::vector<double>& xs, const std::vector<double>& ys) {
    std::string s = "newpath";
    for (size_t i = 0; i < xs.size(); ++i)
        s += " " + pt(xs[i], ys[i]) + (i ? " lineto" : " moveto");
    return s;
}

}  // namespace

void out(const std::string& s) {
    if (gs.file) std::fprintf(gs.file, "%s\n", s.c_str());
}

std::string num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", v);
    std::string s = b;
    if (s == "-0.00") s = "0.00";
    return s;
}

bool needfile() {
    if (gs.file) return true;
    errmsg("No plot file open.");
    return false;
}

// ------------------------------------------------------------ coordinates

Window panelwindow() {
    if (gs.page.x0 != gs.page.x1 && gs.page.y0 != gs.page.y1) return gs.page;
    const Window& r = gs.region;
    double pw = (r.x1 - r.x0) / (gs.columns + (gs.columns + 1) * gs.xgap);
    double ph = (r.y1 - r.y0) / (gs.rows + (gs.rows + 1) * gs.ygap);
    int k = std::clamp(gs.panel, 1, gs.rows * gs.columns) - 1;
    int row = k / gs.columns, col = k % gs.columns;
    Window w;
    w.x0 = r.x0 + gs.xgap * pw + col * pw * (1 + gs.xgap);
    w.x1 = w.x0 + pw;
    w.y1 = r.y1 - gs.ygap * ph - row * ph * (1 + gs.ygap);
    w.y0 = w.y1 - ph;
    if (gs.aspect > 0 && gs.aspect * pw < ph) {
        double mid = 0.5 * (w.y0 + w.y1);
        w.y0 = mid - 0.5 * gs.aspect * pw;
        w.y1 = mid + 0.5 * gs.aspect * pw;
    }
    return w;
}

double nicestep(double range) {
    if (range <= 0) return 1.0;
    double raw = range / 5.0, mag = std::pow(10.0, std::floor(std::log10(raw)));
    double f = raw / mag;
    return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * mag;
}

void niceround(double& lo, double& hi) {
    if (lo == hi) {
        lo -= 0.5;
        hi += 0.5;
    }
    double st = nicestep(hi - lo);
    lo = std::floor(lo / st + 1e-9) * st;
    hi = std::ceil(hi / st - 1e-9) * st;
}

// Takes an unset data window from data extents (autoscale) or 0..1.
void autoscale(const std::vector<double>& xs, const std::vector<double>& ys) {
    auto axis = [](bool on, double& lo, double& hi, const std::vector<double>& v) {
        if (lo != hi) return;
        if (on && !v.empty()) {
            lo = *std::min_element(v.begin(), v.end());
            hi = *std::max_element(v.begin(), v.end());
            niceround(lo, hi);
        } else {
            lo = 0;
            hi = 1;
        }
    };
    axis(gs.autox, gs.data.x0, gs.data.x1, xs);
    axis(gs.autoy, gs.data.y0, gs.data.y1, ys);
}

double px(double x) {
    Window p = panelwindow();
    double d = gs.data.x1 - gs.data.x0;
    return p.x0 + (d == 0 ? 0 : (x - gs.data.x0) * (p.x1 - p.x0) / d);
}

double py(double y) {
    Window p = panelwindow();
    double d = gs.data.y1 - gs.data.y0;
    return p.y0 + (d == 0 ? 0 : (y - gs.data.y0) * (p.y1 - p.y0) / d);
}

std::string pt(double x, double y) { return num(px(x)) + " " + num(py(y)); }

// ------------------------------------------------------------ state output

std::string dasharray(const std::string& d, bool& ok) {
    ok = true;
    std::string a = "[";
    for (int k = 1;; ++k) {
        std::string e = elemnt(k, d, ',');
        if (trim(e).empty()) break;
        bool err = false;
        double v = reva(e, err);
        if (err || v < 0) ok = false;
        if (k > 1) a += " ";
        a += num(v);
    }
    return a + "]";
}

void flushstate() {
    if (!gs.dirty || !gs.file) return;
    double r, g, b;
    rgb(gs.color, r, g, b);
    bool ok;
    out(num(gs.linewidth) + " setlinewidth " + num(r) + " " + num(g) + " " + num(b) +
        " setrgbcolor " + dasharray(gs.dash, ok) + " 0 setdash");
    gs.dirty = false;
}

void closedshape(const std::string& path) {
    flushstate();
    out(path);
    if (gs.fill >= 0 && gs.fill <= 100)
        out(num(1.0 - gs.fill / 100.0) + " paint");
    else if (gs.fill > 100)
        out(intstr(gs.fill - 100) + " hatch");
    if (gs.border)
        out("stroke");
    else
        out("newpath");
}

// Text at page coordinates with the current alignment, size, font and angle.
void pagetext(double x, double y, const std::string& text, bool vertical, const std::string& ha,
              const std::string& va) {
    flushstate();
    std::string f = psfont();
    gs.fonts.insert(f);
    out("gsave /" + f + " " + num(gs.textsize) + " font " + num(x) + " " + num(y) + " translate" +
        (vertical ? " 90 rotate" : ""));
    double hx = ha == "center" ? -0.5 : ha == "right" ? -1.0 : 0.0;
    double vy = va == "middle" ? -0.35 : va == "top" ? -0.7 : 0.0;
    out("0 0 moveto " + psstring(text) + " dup stringwidth pop " + num(hx) + " mul " +
        num(vy * gs.textsize) + " rmoveto show grestore");
}

// ------------------------------------------------------------ file

// Writes the trailer and puts the finished file in place; an existing file
// of that name stays as it was until then.
void gclose() {
    if (!gs.file) return;
    if (gs.clipping) out("grestore");
    out("end");
    out("saveobj restore");
    out("showpage");
    out("%%Trailer");
    std::string f;
    for (const std::string& s : gs.fonts) f += (f.empty() ? "" : " ") + s;
    out("%%DocumentFonts: " + f);
    out("%%EOF");
    std::string name = gs.out.name, reason;
    gs.file = nullptr;
    gs.clipping = false;
    if (!outcommit(gs.out, reason))
        errmsg("Cannot write output plot file " + strq(name) + ".@/" + strp(reason));
}

void gopen(const std::string& format, Words& w, int n) {
    if (format != "ps") {
        errmsg("Illegal plot format " + strp(format) + ".");
        return;
    }
    params(w, n, "file=@f.grf orientation=portrait|landscape=portrait");
    if (haverr()) return;
    std::string name = getpar("file"), orient = getpar("orientation");
    gclose();
    std::string reason;
    if (!outopen(gs.out, name, false, reason)) {
        errmsg("Cannot open output plot file " + strq(name) + ".@/" + strp(reason));
        return;
    }
    static bool registered = false;
    if (!registered) registered = std::atexit(closeatexit) == 0;
    gs.file = gs.out.f;
    gs.name = name;
    gs.landscape = orient == "landscape";
    gs.fonts.clear();
    gs.dirty = true;
    for (const char* l :
         {"%!PS-Adobe-3.0 EPSF-3.0", "%%Creator: Kemlang", "%%Pages: 1", "%%DocumentFonts: (atend)",
          "%%BoundingBox: 40 40 540 790", "%%EndComments"})
        out(l);
    for (const char* l : kProlog) out(l);
    out("%%BeginSetup");
    out("1 setlinejoin");
    out("300 425 translate");
    if (gs.landscape) out("90 rotate");
    out("%%EndSetup");
    out("%%Page: 1 1");
    out("/saveobj save def");
    out("kemlangdict begin");
    flushstate();
}

// ------------------------------------------------------------ drawing

void gline(const std::vector<double>& xs, const std::vector<double>& ys, bool closed) {
    if (xs.empty()) return;
    autoscale(xs, ys);
    if (closed) {
        closedshape(polypath(xs, ys) + " closepath");
    } else {
        flushstate();
        out(polypath(xs, ys) + " stroke");
    }
}

// Natural cubic spline through the points (sorted by x).
void gspline(std::vector<double> xs, std::vector<double> ys) {
    size_t n = xs.size();
    std::vector<size_t> idx(n);
    for (size_t i = 0; i < n; ++i) idx[i] = i;
    std::sort(idx.begin(), idx.end(), [&](size_t a, size_t b) { return xs[a] < xs[b]; });
    std::vector<double> x(n), y(n);
    for (size_t i = 0; i < n; ++i) x[i] = xs[idx[i]], y[i] = ys[idx[i]];
    if (n < 3) return gline(x, y, false);
    std::vector<double> y2(n, 0.0), u(n, 0.0);
    for (size_t i = 1; i + 1 < n; ++i) {
        double h0 = x[i] - x[i - 1], h1 = x[i + 1] - x[i];
        if (h0 <= 0 || h1 <= 0) {
            errmsg("Spline needs distinct x values.");
            return;
        }
        double sig = h0 / (x[i + 1] - x[i - 1]), p = sig * y2[i - 1] + 2.0;
        y2[i] = (sig - 1.0) / p;
        u[i] = (y[i + 1] - y[i]) / h1 - (y[i] - y[i - 1]) / h0;
        u[i] = (6.0 * u[i] / (x[i + 1] - x[i - 1]) - sig * u[i - 1]) / p;
    }
    for (size_t k = n - 1; k-- > 0;) y2[k] = y2[k] * y2[k + 1] + u[k];
    std::vector<double> cx, cy;
    for (size_t i = 0; i + 1 < n; ++i)
        for (int s = 0; s < 20 || (i + 2 == n && s == 20); ++s) {
            double h = x[i + 1] - x[i], t = x[i] + h * s / 20.0;
            double a = (x[i + 1] - t) / h, b = (t - x[i]) / h;
            cx.push_back(t);
            cy.push_back(a * y[i] + b * y[i + 1] +
                         ((a * a * a - a) * y2[i] + (b * b * b - b) * y2[i + 1]) * h * h / 6.0);
        }
    gline(cx, cy, false);
}

void gmark(const std::string& kind, double x, double y) {
    autoscale({x}, {y});
    double X = px(x), Y = py(y), r = 0.5 * gs.marksize;
    auto P = [](double a, double b) { return num(a) + " " + num(b); };
    flushstate();
    if (kind == "dot") {
        out(P(X, Y) + " " + num(r) + " " + num(r) + " 0 360 arcpath closepath area newpath");
    } else if (kind == "plus") {
        out("newpath " + P(X - r, Y) + " moveto " + P(X + r, Y) + " lineto " + P(X, Y - r) +
            " moveto " + P(X, Y + r) + " lineto stroke");
    } else if (kind == "cross") {
        out("newpath " + P(X - r, Y - r) + " moveto " + P(X + r, Y + r) + " lineto " +
            P(X - r, Y + r) + " moveto " + P(X + r, Y - r) + " lineto stroke");
    } else if (kind == "square") {
        closedshape(P(X - r, Y - r) + " " + P(X + r, Y + r) + " rect");
    } else if (kind == "caro") {
        closedshape("newpath " + P(X, Y - r) + " moveto " + P(X + r, Y) + " lineto " + P(X, Y + r) +
                    " lineto " + P(X - r, Y) + " lineto closepath");
    } else {  // triangle
        closedshape("newpath " + P(X - r, Y - 0.577 * r) + " moveto " + P(X + r, Y - 0.577 * r) +
                    " lineto " + P(X, Y + 1.155 * r) + " lineto closepath");
    }
}

}  // namespace graphics
