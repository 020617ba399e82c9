// The graphics state of the plot statement and the PostScript primitives
// that draw with it: gpost.cpp writes the file, gplot.cpp reads the
// statement's parameters into the state and calls the primitives. The
// namespace keeps these names to those two files.
#pragma once

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "kemlang/services.h"

namespace graphics {

struct Window {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

struct PlotState {
    std::FILE* file = nullptr;  // the temporary of out, renamed at close
    OutFile out;
    std::string name;
    bool landscape = false;
    double linewidth = 1.0, marksize = 5.0, textsize = 12.0;
    std::string dash;
    int fill = -1;
    bool border = true;
    std::string color = "black";
    std::string font = "Times", halign = "left", valign = "bottom", weight = "regular",
                angle = "regular";
    bool rotate = false, listmode = false;
    bool autox = true, autoy = true;
    Window data;  // data window (x0 = x1: not set)
    Window page;  // explicit page window (x0 = x1: use the panel)
    int rows = 1, columns = 1, panel = 1;
    Window region{-250.0, -375.0, 250.0, 375.0};
    double xgap = 0.2, ygap = 0.2, aspect = 0.0;
    bool clipping = false;
    bool dirty = true;  // state not yet written to the file
    std::set<std::string> fonts;
};

extern PlotState gs;

// One line of the plot file (nothing without one); numbers with two decimals.
void out(const std::string& s);
std::string num(double v);
// False, with the message, when no plot file is open.
bool needfile();

// The page window of the current panel, and data coordinates mapped onto it.
Window panelwindow();
double nicestep(double range);
void niceround(double& lo, double& hi);
void autoscale(const std::vector<double>& xs, const std::vector<double>& ys);
double px(double x);
double py(double y);
std::string pt(double x, double y);

// The state written before the next drawing; a dash list as PostScript.
std::string dasharray(const std::string& d, bool& ok);
void flushstate();
void closedshape(const std::string& path);
void pagetext(double x, double y, const std::string& text, bool vertical, const std::string& ha,
              const std::string& va);

// The plot file: opened by "ps" or "file", completed by "close".
void gopen(const std::string& format, std::vector<std::string>& w, int n);
void gclose();

// Lines, splines and marks in data coordinates.
void gline(const std::vector<double>& xs, const std::vector<double>& ys, bool closed);
void gspline(std::vector<double> xs, std::vector<double> ys);
void gmark(const std::string& kind, double x, double y);

}  // namespace graphics
