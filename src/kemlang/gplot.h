// The plot statement: vector graphics written as an EPS file, built step by
// step by a macro (the graphics state lives between statements).
//
// Our choices where the statement leaves the details open:
//  - "ps" and "file" both open a PostScript file (file=@f.grf orientation=...);
//    "mif" and any other format are refused: only PostScript exists.
//  - Data coordinates map the data window (x0..x1, y0..y1) onto the page window
//    (X0..X1, Y0..Y1, points from the page centre). An unset data window (x0 =
//    x1) is taken from the data of the first line/curve/spline/scale when
//    autoscale is on, rounded outwards to tick marks; else it is 0..1.
//  - The page window is the current panel of the layout (default: one panel
//    spanning -250..250 x -375..375 less the gaps); X0.. given with "set"
//    override it.
//  - fill: -1 none, 0..100 grey percentage (paint), above 100 hatching with a
//    line distance of fill-100 points (hatch).
//  - Marks (dot, square, caro, plus, cross, triangle) are centred on x y with
//    the mark size in points; "errorbar x y1 y2" draws a vertical bar with caps.
//  - spline: a natural cubic spline through points sorted by x, drawn with 20
//    segments per interval.
//  - fit: linear least squares of y on basis functions of x (expressions in x,
//    default "1,x": a straight line), solved by a singular value decomposition
//    (one-sided Jacobi); sigma defaults to 1. The probability is Q(chi^2 | n-m)
//    from the incomplete gamma function. The results are also left in the
//    variables fit_chi2, fit_probability and one variable per parameter name;
//    with a plot file open the fitted curve is drawn over the data window.
//  - function: draws an expression in x from "from" to "to" with "points" steps.
//  - mode=list: coordinates may be given as comma-separated lists (x=1,2,3 style
//    single words) in addition to blank-separated words.
#pragma once

#include <string>
#include <vector>

void ginit();
void gplot(std::vector<std::string>& words, int nwords);

// Least squares through the singular value decomposition: fits y ~ sum_k p_k
// A(i,k) with weights 1/sigma_i. a is n x m row-major. Returns false when the
// system is empty. chi2 and the parameter errors come back too.
bool svdfit(const std::vector<double>& a, int n, int m, const std::vector<double>& y,
            const std::vector<double>& sigma, std::vector<double>& p, std::vector<double>& err,
            double& chi2);
// Regularised upper incomplete gamma function Q(a, x).
double gammq(double a, double x);
