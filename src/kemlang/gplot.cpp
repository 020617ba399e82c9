// The plot statement: its subcommands and their parameters, read into the
// graphics state or drawn through the primitives of gpost.cpp; frames and
// labels, clipping, the layout of panels, fits and functions.
#include "kemlang/gplot.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "kemlang/expr.h"
#include "kemlang/gstate.h"
#include "kemlang/params.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "kemlang/vars.h"

using namespace graphics;

namespace {

using Words = std::vector<std::string>;

const char* kSubcommands =
    "ps|mif|close|file|set|line|polygon|curve|shape|rectangle|arc|dot|square|caro|plus|cross|"
    "triangle|errorbar|spline|fit|clip|text|label|layout|frame|scale|write|comment|function";

const char* kSetSyntax[] = {
    "** linewidth=@r=0 marksize=@r=0 dash=*= fill=@i=-1 border=on|off=on "
    "x0=@r=0 y0=@r=0 x1=@r=0 y1=@r=0 X0=@r=0 Y0=@r=0 X1=@r=0 Y1=@r=0",
    "** mode=normal|list=normal autoscale=on|off|x|y|x,y=on "
    "color=black|white|red|green|blue|cyan|magenta|yellow=black",
    "** textsize=@r=0 rotate=on|off=off font=Times|Helvetica|Courier|Symbol=Times "
    "align=*=left weight=regular|bold=regular angle=regular|italic|oblique=regular",
};

// ------------------------------------------------------------ state setting

bool alignment(const std::string& v) {
    std::string h = "left", vv = "bottom";
    for (int k = 1; k <= 2; ++k) {
        std::string e = trim(elemnt(k, v, ','));
        if (e.empty()) continue;
        if (e == "left" || e == "center" || e == "right")
            h = e;
        else if (e == "bottom" || e == "middle" || e == "top")
            vv = e;
        else
            return false;
    }
    gs.halign = h;
    gs.valign = vv;
    return true;
}

void illegalvalue(const std::string& value, const std::string& name) {
    errmsg("Illegal value " + strq(value) + " for plot parameter " + strq(name) + ".");
}

void gsets(Words& w, int n) {
    params(w, n, kSetSyntax[0]);
    if (haverr()) return;
    auto realset = [](const char* name, double& v, bool positive) {
        if (!havpar(name)) return;
        double x = rparam(name);
        if (positive && x < 0)
            illegalvalue(getpar(name), name);
        else
            v = x;
    };
    realset("linewidth", gs.linewidth, true);
    realset("marksize", gs.marksize, true);
    if (havpar("dash")) {
        bool ok;
        dasharray(getpar("dash"), ok);
        if (ok)
            gs.dash = getpar("dash");
        else
            illegalvalue(getpar("dash"), "dash");
    }
    if (havpar("fill")) {
        if (iparam("fill") < -1)
            illegalvalue(getpar("fill"), "fill");
        else
            gs.fill = iparam("fill");
    }
    if (havpar("border")) gs.border = getpar("border") == "on";
    realset("x0", gs.data.x0, false);
    realset("y0", gs.data.y0, false);
    realset("x1", gs.data.x1, false);
    realset("y1", gs.data.y1, false);
    realset("X0", gs.page.x0, false);
    realset("Y0", gs.page.y0, false);
    realset("X1", gs.page.x1, false);
    realset("Y1", gs.page.y1, false);
    params(w, n, kSetSyntax[1]);
    if (haverr()) return;
    if (havpar("mode")) gs.listmode = getpar("mode") == "list";
    if (havpar("autoscale")) {
        std::string a = getpar("autoscale");
        gs.autox = a == "on" || a == "x" || a == "x,y";
        gs.autoy = a == "on" || a == "y" || a == "x,y";
    }
    if (havpar("color")) gs.color = getpar("color");
    params(w, n, kSetSyntax[2]);
    if (haverr()) return;
    if (havpar("textsize")) {
        if (rparam("textsize") <= 0)
            illegalvalue(getpar("textsize"), "textsize");
        else
            gs.textsize = rparam("textsize");
    }
    if (havpar("rotate")) gs.rotate = getpar("rotate") == "on";
    if (havpar("font")) gs.font = getpar("font");
    if (havpar("align") && !alignment(getpar("align"))) illegalvalue(getpar("align"), "align");
    if (havpar("weight")) gs.weight = getpar("weight");
    if (havpar("angle")) gs.angle = getpar("angle");
    for (int i = 0; i < n; ++i) {
        std::string nm = w[i].substr(0, w[i].find('='));
        errmsg("Illegal plot parameter " + strp(nm) + ".");
    }
    gs.dirty = true;
}

// ------------------------------------------------------------ coordinate words

// Reads the coordinate words; in list mode a word may hold a comma list.
bool numbers(Words& w, int n, std::vector<double>& v) {
    v.clear();
    for (int i = 0; i < n; ++i) {
        std::vector<std::string> parts;
        if (gs.listmode)
            for (int k = 1; !trim(elemnt(k, w[i], ',')).empty(); ++k)
                parts.push_back(elemnt(k, w[i], ','));
        else
            parts.push_back(w[i]);
        for (const std::string& p : parts) {
            bool err = false;
            double x = reva(p, err);
            if (err) {
                errmsg("Illegal coordinate " + strq(p) + ".");
                return false;
            }
            v.push_back(x);
        }
    }
    return true;
}

bool coordinates(Words& w, int n, std::vector<double>& xs, std::vector<double>& ys) {
    std::vector<double> v;
    if (!numbers(w, n, v)) return false;
    if (v.size() % 2) {
        errmsg("Odd number of coordinates.");
        return false;
    }
    xs.clear();
    ys.clear();
    for (size_t i = 0; i < v.size(); i += 2) {
        xs.push_back(v[i]);
        ys.push_back(v[i + 1]);
    }
    return true;
}

// ------------------------------------------------------------ frame and labels

void gframe(Words& w, int n) {
    params(w, n,
           "xtext=*= ytext=*= tics=off|x|y|x,y=x,y labels=off|x|y|x,y=x,y "
           "ygap=@r=0.0 panel=0<@i=1 grid zero");
    if (haverr()) return;
    if (iparam("panel") > gs.rows * gs.columns) {
        errmsg("Illegal value " + strq(getpar("panel")) + " for parameter \"panel\".");
        return;
    }
    gs.panel = iparam("panel");
    autoscale({}, {});
    Window p = panelwindow();
    flushstate();
    out(num(p.x0) + " " + num(p.y0) + " " + num(p.x1) + " " + num(p.y1) + " rect stroke");
    std::string tics = getpar("tics"), labels = getpar("labels");
    bool tx = tics == "x" || tics == "x,y", ty = tics == "y" || tics == "x,y";
    bool lx = labels == "x" || labels == "x,y", ly = labels == "y" || labels == "x,y";
    bool grid = option("grid"), zero = option("zero");
    double ts = gs.textsize, extra = rparam("ygap");
    std::string ha = gs.halign, va = gs.valign;
    auto ticks = [](double lo, double hi) {
        std::vector<double> v;
        double a = std::min(lo, hi), b = std::max(lo, hi), st = nicestep(b - a);
        for (double t = std::ceil(a / st - 1e-9) * st; t <= b + 1e-9 * st; t += st)
            v.push_back(std::fabs(t) < 1e-12 * st ? 0.0 : t);
        return v;
    };
    double maxlabel = 0;
    for (double t : ticks(gs.data.x0, gs.data.x1)) {
        double X = px(t);
        if (grid)
            out("gsave [1 2] 0 setdash newpath " + num(X) + " " + num(p.y0) + " moveto " + num(X) +
                " " + num(p.y1) + " lineto stroke grestore");
        if (tx) out("newpath " + num(X) + " " + num(p.y0) + " moveto 0 5 rlineto stroke");
        if (lx) pagetext(X, p.y0 - 1.2 * ts, numstr(t, 4), false, "center", "bottom");
    }
    for (double t : ticks(gs.data.y0, gs.data.y1)) {
        double Y = py(t);
        if (grid)
            out("gsave [1 2] 0 setdash newpath " + num(p.x0) + " " + num(Y) + " moveto " +
                num(p.x1) + " " + num(Y) + " lineto stroke grestore");
        if (ty) out("newpath " + num(p.x0) + " " + num(Y) + " moveto 5 0 rlineto stroke");
        if (ly) {
            std::string s = numstr(t, 4);
            maxlabel = std::max(maxlabel, 0.55 * ts * s.size());
            pagetext(p.x0 - 0.5 * ts - extra, Y, s, false, "right", "middle");
        }
    }
    if (zero) {
        if (gs.data.x0 * gs.data.x1 < 0)
            out("newpath " + num(px(0)) + " " + num(p.y0) + " moveto " + num(px(0)) + " " +
                num(p.y1) + " lineto stroke");
        if (gs.data.y0 * gs.data.y1 < 0)
            out("newpath " + num(p.x0) + " " + num(py(0)) + " moveto " + num(p.x1) + " " +
                num(py(0)) + " lineto stroke");
    }
    if (!trim(getpar("xtext")).empty())
        pagetext(0.5 * (p.x0 + p.x1), p.y0 - 2.6 * ts, getpar("xtext"), false, "center", "bottom");
    if (!trim(getpar("ytext")).empty())
        pagetext(p.x0 - maxlabel - 1.2 * ts - extra, 0.5 * (p.y0 + p.y1), getpar("ytext"), true,
                 "center", "bottom");
    gs.halign = ha;
    gs.valign = va;
}

void glabel(Words& w, int n) {
    params(w, n, "*axis=x|y|bottom|left|top|right *position=@r **");
    if (haverr()) return;
    std::string axis = getpar("axis"), text = join(w, n);
    double pos = rparam("position"), ts = gs.textsize;
    autoscale({}, {});
    Window p = panelwindow();
    if (axis == "x" || axis == "bottom")
        pagetext(px(pos), p.y0 - 1.2 * ts, text, false, "center", "bottom");
    else if (axis == "top")
        pagetext(px(pos), p.y1 + 0.5 * ts, text, false, "center", "bottom");
    else if (axis == "right")
        pagetext(p.x1 + 0.5 * ts, py(pos), text, false, "left", "middle");
    else
        pagetext(p.x0 - 0.5 * ts, py(pos), text, false, "right", "middle");
}

void gtextcmd(Words& w, int n) {
    params(w, n, "*x=@r *y=@r **");
    if (haverr()) return;
    double x = rparam("x"), y = rparam("y");
    autoscale({x}, {y});
    pagetext(px(x), py(y), join(w, n), gs.rotate, gs.halign, gs.valign);
}

void glayout(Words& w, int n) {
    params(w, n,
           "rows=0<@i=1 columns=0<@i=1 x0=@r=-250.0 x1=@r=250.0 y0=@r=-375.0 "
           "y1=@r=375.0 xgap=0.0<@r<1.0=0.2 ygap=0.0<@r<1.0=0.2 aspect=@r=0.0");
    if (haverr()) return;
    gs.rows = iparam("rows");
    gs.columns = iparam("columns");
    gs.region = {rparam("x0"), rparam("y0"), rparam("x1"), rparam("y1")};
    gs.xgap = rparam("xgap");
    gs.ygap = rparam("ygap");
    gs.aspect = rparam("aspect");
    gs.panel = 1;
    gs.page = Window();
}

void gscale(Words& w, int n) {
    params(w, n, "axis=x|y ** exact");
    if (haverr()) return;
    std::vector<double> v;
    if (!numbers(w, n, v)) return;
    if (v.empty()) {
        errmsg("Missing values to scale the axis.");
        return;
    }
    double lo = *std::min_element(v.begin(), v.end()), hi = *std::max_element(v.begin(), v.end());
    if (!option("exact") || lo == hi) niceround(lo, hi);
    if (getpar("axis") == "x")
        gs.data.x0 = lo, gs.data.x1 = hi;
    else
        gs.data.y0 = lo, gs.data.y1 = hi;
}

void gclip(Words& w, int n) {
    std::string first = n > 0 ? w[0] : "off";
    if (n <= 1 && std::string("off").compare(0, first.size(), first) == 0) {
        params(w, n, "action=off=off");
        if (haverr()) return;
        if (gs.clipping) out("grestore");
        gs.clipping = false;
        gs.dirty = true;
        return;
    }
    params(w, n, "x1=@r y1=@r x2=@r y2=@r");
    if (haverr()) return;
    autoscale({}, {});
    if (gs.clipping) out("grestore");
    out("gsave " + pt(rparam("x1"), rparam("y1")) + " " + pt(rparam("x2"), rparam("y2")) +
        " rect clip newpath");
    gs.clipping = true;
    gs.dirty = true;
}

// ------------------------------------------------------------ fit and function

// Evaluates an expression at x through the variable x, restoring x afterwards.
struct XVariable {
    bool had;
    std::string old;
    XVariable() : had(havvar("x")), old(getval("x")) {}
    ~XVariable() {
        if (had)
            setvar("x", old, kVarGlobal);
        else
            unsetvar("x");
    }
    bool eval(const std::string& e, double x, double& v) {
        setvar("x", numstr(x, 15), kVarGlobal);
        bool err = false;
        v = reva(e, err);
        return !err;
    }
};

bool reallist(const std::string& s, const std::string& what, std::vector<double>& v) {
    v.clear();
    for (int k = 1;; ++k) {
        std::string e = trim(elemnt(k, s, ','));
        if (e.empty()) break;
        bool err = false;
        v.push_back(reva(e, err));
        if (err) {
            errmsg("Illegal value " + strq(e) + " in " + what + ".");
            return false;
        }
    }
    return true;
}

void gfit(Words& w, int n) {
    params(w, n, "x=* y=* sigma=*= basis=*=1,x names=*=");
    if (haverr()) return;
    std::vector<double> xs, ys, sig;
    if (!reallist(getpar("x"), "x", xs) || !reallist(getpar("y"), "y", ys) ||
        !reallist(getpar("sigma"), "sigma", sig))
        return;
    if (xs.size() != ys.size() || (!sig.empty() && sig.size() != xs.size())) {
        errmsg("Fit data lists differ in length.");
        return;
    }
    std::vector<std::string> basis, names;
    for (int k = 1; !trim(elemnt(k, getpar("basis"), ',')).empty(); ++k)
        basis.push_back(trim(elemnt(k, getpar("basis"), ',')));
    for (int k = 1; !trim(elemnt(k, getpar("names"), ',')).empty(); ++k)
        names.push_back(trim(elemnt(k, getpar("names"), ',')));
    int m = static_cast<int>(basis.size()), nd = static_cast<int>(xs.size());
    while (static_cast<int>(names.size()) < m)
        names.push_back("p" + intstr(static_cast<int>(names.size()) + 1));
    if (nd < m) {
        errmsg("Too few data points for " + plural(m, "fit parameter") + ".");
        return;
    }
    for (double s : sig)
        if (s <= 0) {
            errmsg("Illegal value " + strq(numstr(s, 6)) + " in sigma.");
            return;
        }
    std::vector<double> a(static_cast<size_t>(nd) * m), p, err;
    {
        XVariable xv;
        for (int i = 0; i < nd; ++i)
            for (int k = 0; k < m; ++k)
                if (!xv.eval(basis[k], xs[i], a[i * m + k])) {
                    errmsg("Illegal expression " + strq(basis[k]) + ".");
                    return;
                }
    }
    double chi2 = 0;
    svdfit(a, nd, m, ys, sig, p, err, chi2);
    double q = nd > m ? gammq(0.5 * (nd - m), 0.5 * chi2) : 1.0;
    putlin(2, "chi^2 = " + realp(chi2, 6) + ", probability " + realp(q, 6));
    for (int k = 0; k < m; ++k)
        putlin(2, names[k] + " = " + realp(p[k], 6) + " +/- " + realp(err[k], 6));
    setvar("fit_chi2", numstr(chi2, 15), kVarGlobal);
    setvar("fit_probability", numstr(q, 15), kVarGlobal);
    for (int k = 0; k < m; ++k) setvar(names[k], numstr(p[k], 15), kVarGlobal);
    if (gs.file) {
        autoscale(xs, ys);
        std::vector<double> cx, cy;
        XVariable xv;
        for (int s = 0; s <= 100; ++s) {
            double x = gs.data.x0 + (gs.data.x1 - gs.data.x0) * s / 100.0, f = 0, b;
            for (int k = 0; k < m; ++k)
                if (xv.eval(basis[k], x, b)) f += p[k] * b;
            cx.push_back(x);
            cy.push_back(f);
        }
        gline(cx, cy, false);
    }
}

void gfunction(Words& w, int n) {
    params(w, n, "expr=* from=@r to=@r points=0<@i=100");
    if (haverr() || !needfile()) return;
    std::string e = getpar("expr");
    double a = rparam("from"), b = rparam("to");
    int np = iparam("points");
    std::vector<double> cx, cy;
    {
        XVariable xv;
        for (int s = 0; s <= np; ++s) {
            double x = a + (b - a) * s / np, v;
            if (!xv.eval(e, x, v)) {
                errmsg("Illegal expression " + strq(e) + ".");
                return;
            }
            cx.push_back(x);
            cy.push_back(v);
        }
    }
    gline(cx, cy, false);
}

}  // namespace

void ginit() {
    if (gs.file) outdiscard(gs.out);
    gs = PlotState();
}

void gplot(Words& words, int nwords) {
    Words w(words.begin(), words.begin() + std::min<size_t>(nwords, words.size()));
    int n = static_cast<int>(w.size());
    std::string sub = "set";
    if (n > 0 && w[0].find('=') == std::string::npos) {
        std::string word = w[0];
        int k = inlist(word, std::string(kSubcommands) + "*");
        if (k < 0) {
            errmsg("Ambiguous plot command " + strq(w[0]) + ".");
            return;
        }
        if (k > 0) {
            sub = word;
            w.erase(w.begin());
            --n;
        }
    }
    if (sub == "set") return gsets(w, n);
    if (sub == "ps" || sub == "file") return gopen("ps", w, n);
    if (sub == "mif") return gopen("mif", w, n);
    if (sub == "close") return gclose();
    if (sub == "layout") return glayout(w, n);
    if (sub == "scale") return gscale(w, n);
    if (sub == "fit") return gfit(w, n);
    if (!needfile()) return;
    std::vector<double> xs, ys;
    if (sub == "line" || sub == "curve" || sub == "polygon" || sub == "shape" || sub == "spline") {
        if (!coordinates(w, n, xs, ys)) return;
        if (sub == "spline") return gspline(xs, ys);
        return gline(xs, ys, sub == "polygon" || sub == "shape");
    }
    if (sub == "frame") return gframe(w, n);
    if (sub == "label") return glabel(w, n);
    if (sub == "text") return gtextcmd(w, n);
    if (sub == "clip") return gclip(w, n);
    if (sub == "function") return gfunction(w, n);
    if (sub == "write") return out(join(w, n));
    if (sub == "comment") return out("% " + join(w, n));
    if (sub == "rectangle") {
        params(w, n, "x1=@r y1=@r x2=@r y2=@r");
        if (haverr()) return;
        autoscale({rparam("x1"), rparam("x2")}, {rparam("y1"), rparam("y2")});
        return closedshape(pt(rparam("x1"), rparam("y1")) + " " + pt(rparam("x2"), rparam("y2")) +
                           " rect");
    }
    if (sub == "arc") {
        params(w, n, "x=@r y=@r a=@r b=@r=0 t1=@r=0 t2=@r=360");
        if (haverr()) return;
        double x = rparam("x"), y = rparam("y"), a = rparam("a"), b = rparam("b");
        autoscale({x - a, x + a}, {y - (b ? b : a), y + (b ? b : a)});
        double ra = std::fabs(px(x + a) - px(x)), rb = b ? std::fabs(py(y + b) - py(y)) : ra;
        flushstate();
        out(pt(x, y) + " " + num(ra) + " " + num(rb) + " " + num(rparam("t1")) + " " +
            num(rparam("t2")) + " arcpath stroke");
        return;
    }
    if (sub == "errorbar") {
        params(w, n, "x=@r y1=@r y2=@r");
        if (haverr()) return;
        double x = rparam("x"), y1 = rparam("y1"), y2 = rparam("y2"), r = 0.5 * gs.marksize;
        autoscale({x}, {y1, y2});
        flushstate();
        out("newpath " + pt(x, y1) + " moveto " + pt(x, y2) + " lineto stroke");
        for (double y : {y1, y2})
            out("newpath " + num(px(x) - r) + " " + num(py(y)) + " moveto " + num(2 * r) +
                " 0 rlineto stroke");
        return;
    }
    // marks
    params(w, n, "x=@r y=@r");
    if (haverr()) return;
    gmark(sub, rparam("x"), rparam("y"));
}
