// Expression evaluator: integers, reals, logicals and texts with Fortran-style
// dotted and symbolic operators, intrinsic and numeric functions, substrings.
//
// Implemented as a recursive-descent parser over the precedence levels
// (power, multiplicative, additive with unary signs, concatenation,
// comparison, .not., .and., .or., .eqv./.neqv.). Mixed integer and real
// operands give a real; integer division truncates; int**int stays integer
// for a non-negative exponent. A variable's value is read as the most specific
// type it spells (integer, real, logical, else text). Nesting deeper than 200
// levels is an illegal expression rather than a stack overflow.
#include "kemlang/expr.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "kemlang/interp.h"
#include "kemlang/print.h"
#include "kemlang/services.h"
#include "kemlang/vars.h"

namespace {

enum Type { kInt, kReal, kLog, kText };

struct Value {
    Type t = kInt;
    long long i = 0;
    double r = 0;
    bool l = false;
    std::string s;
    double num() const { return t == kInt ? static_cast<double>(i) : r; }
    bool numeric() const { return t == kInt || t == kReal; }
};

Value mkint(long long v) {
    Value x;
    x.t = kInt;
    x.i = v;
    return x;
}
Value mkreal(double v) {
    Value x;
    x.t = kReal;
    x.r = v;
    return x;
}
Value mklog(bool v) {
    Value x;
    x.t = kLog;
    x.l = v;
    return x;
}
Value mktext(const std::string& v) {
    Value x;
    x.t = kText;
    x.s = v;
    return x;
}

struct Fail {};

// Reads a literal text as its most specific value.
Value literal(const std::string& in) {
    std::string s = trim(lefstr(in));
    if (s == ".true.") return mklog(true);
    if (s == ".false.") return mklog(false);
    if (!s.empty()) {
        char* end = nullptr;
        errno = 0;
        long long v = std::strtoll(s.c_str(), &end, 10);
        if (*end == '\0' && errno != ERANGE &&
            s.find_first_not_of("+-0123456789") == std::string::npos)
            return mkint(v);
        std::string t = s;
        for (char& c : t)
            if (c == 'd' || c == 'D') c = 'e';
        double r = std::strtod(t.c_str(), &end);
        if (*end == '\0' && t.find_first_not_of("+-0123456789.eE") == std::string::npos)
            return mkreal(r);
    }
    return mktext(in);
}

// A value as the text a variable holds.
std::string valuetext(const Value& v) {
    switch (v.t) {
        case kInt:
            return std::to_string(v.i);
        case kReal:
            return numstr(v.r, 15);
        case kLog:
            return v.l ? ".true." : ".false.";
        default:
            return v.s;
    }
}

class Parser {
   public:
    explicit Parser(const std::string& s) : s_(s) {}
    Value run() {
        Value v = eqv();
        skip();
        if (p_ != s_.size()) throw Fail();
        return v;
    }

   private:
    const std::string& s_;
    size_t p_ = 0;
    int depth_ = 0;

    void skip() {
        while (p_ < s_.size() && s_[p_] == ' ') ++p_;
    }
    bool at(const char* tok) {
        skip();
        size_t n = std::strlen(tok);
        if (s_.compare(p_, n, tok) != 0) return false;
        return true;
    }
    bool eat(const char* tok) {
        if (!at(tok)) return false;
        p_ += std::strlen(tok);
        return true;
    }
    // A dotted operator (case-insensitive), e.g. ".and.".
    bool dotted(const char* word) {
        skip();
        size_t n = std::strlen(word);
        if (p_ + n + 2 > s_.size() || s_[p_] != '.' || s_[p_ + n + 1] != '.') return false;
        for (size_t k = 0; k < n; ++k)
            if (std::tolower(static_cast<unsigned char>(s_[p_ + 1 + k])) != word[k]) return false;
        p_ += n + 2;
        return true;
    }
    struct Guard {
        int& d;
        explicit Guard(int& dd) : d(dd) {
            if (++d > 200) throw Fail();
        }
        ~Guard() { --d; }
    };

    Value eqv() {
        Value a = lor();
        while (true) {
            bool neg;
            if (dotted("eqv"))
                neg = false;
            else if (dotted("neqv"))
                neg = true;
            else
                return a;
            Value b = lor();
            if (a.t != kLog || b.t != kLog) throw Fail();
            a = mklog((a.l == b.l) != neg);
        }
    }
    Value lor() {
        Value a = land();
        while (dotted("or") || eat("||")) {
            Value b = land();
            if (a.t != kLog || b.t != kLog) throw Fail();
            a = mklog(a.l || b.l);
        }
        return a;
    }
    Value land() {
        Value a = lnot();
        while (dotted("and") || eat("&&")) {
            Value b = lnot();
            if (a.t != kLog || b.t != kLog) throw Fail();
            a = mklog(a.l && b.l);
        }
        return a;
    }
    Value lnot() {
        Guard g(depth_);
        if (dotted("not")) {
            Value a = lnot();
            if (a.t != kLog) throw Fail();
            return mklog(!a.l);
        }
        return compare();
    }
    Value compare() {
        Value a = concat();
        int op = -1;  // 0 eq 1 ne 2 lt 3 le 4 gt 5 ge
        if (dotted("eq") || eat("=="))
            op = 0;
        else if (dotted("ne") || eat("!="))
            op = 1;
        else if (dotted("le") || eat("<="))
            op = 3;
        else if (dotted("lt") || eat("<"))
            op = 2;
        else if (dotted("ge") || eat(">="))
            op = 5;
        else if (dotted("gt") || eat(">"))
            op = 4;
        if (op < 0) return a;
        Value b = concat();
        int c;
        if (a.numeric() && b.numeric()) {
            if (a.t == kInt && b.t == kInt)
                c = a.i < b.i ? -1 : a.i > b.i;
            else
                c = a.num() < b.num() ? -1 : a.num() > b.num();
        } else if (a.t == kText && b.t == kText) {
            std::string x = trim(a.s), y = trim(b.s);
            c = x < y ? -1 : x > y;
        } else if (a.t == kLog && b.t == kLog && op <= 1) {
            c = a.l == b.l ? 0 : 1;
        } else {
            throw Fail();
        }
        static const bool table[6][3] = {{0, 1, 0}, {1, 0, 1}, {1, 0, 0},
                                         {1, 1, 0}, {0, 0, 1}, {0, 1, 1}};
        return mklog(table[op][c + 1]);
    }
    Value concat() {
        Value a = additive();
        while (eat("//")) {
            Value b = additive();
            a = mktext(text(a) + text(b));
        }
        return a;
    }
    static std::string text(const Value& v) { return valuetext(v); }
    // Folds a run of signs: returns -1 or +1, 0 when there is none.
    int signs() {
        int sg = 0;
        while (true) {
            skip();
            if (p_ < s_.size() && (s_[p_] == '+' || s_[p_] == '-')) {
                sg = (sg == 0 ? 1 : sg) * (s_[p_] == '-' ? -1 : 1);
                ++p_;
            } else {
                return sg;
            }
        }
    }
    // 64-bit integer arithmetic; a result that does not fit is an illegal
    // expression, not a wrapped number.
    static long long checked(long long x, long long y, char op) {
        long long r = 0;
        bool over = false;
        switch (op) {
            case '+':
                over = __builtin_add_overflow(x, y, &r);
                break;
            case '-':
                over = __builtin_sub_overflow(x, y, &r);
                break;
            case '*':
                over = __builtin_mul_overflow(x, y, &r);
                break;
            case '%':
            case '/':
                if (y == 0 || (x == LLONG_MIN && y == -1)) throw Fail();
                r = op == '/' ? x / y : x % y;
                break;
            default:
                throw Fail();
        }
        if (over) throw Fail();
        return r;
    }
    static long long ipow(long long x, long long e) {
        if (x == 0) return e == 0 ? 1 : 0;
        if (x == 1) return 1;
        if (x == -1) return e % 2 == 0 ? 1 : -1;
        long long r = 1;
        for (long long k = 0; k < e; ++k) r = checked(r, x, '*');  // overflows within 64 steps
        return r;
    }
    static Value negate(const Value& v) {
        if (v.t == kInt) return mkint(checked(0, v.i, '-'));
        if (v.t == kReal) return mkreal(-v.r);
        throw Fail();
    }
    Value arith(const Value& a, const Value& b, char op) {
        if (!a.numeric() || !b.numeric()) throw Fail();
        if (a.t == kInt && b.t == kInt) {
            if (op != 'p') return mkint(checked(a.i, b.i, op));
            if (b.i >= 0) return mkint(ipow(a.i, b.i));
            return mkreal(std::pow(static_cast<double>(a.i), static_cast<double>(b.i)));
        }
        double x = a.num(), y = b.num();
        switch (op) {
            case '+':
                return mkreal(x + y);
            case '-':
                return mkreal(x - y);
            case '*':
                return mkreal(x * y);
            case '/':
                if (y == 0) throw Fail();
                return mkreal(x / y);
            default: {
                double r = std::pow(x, y);
                if (std::isnan(r)) throw Fail();
                return mkreal(r);
            }
        }
    }
    Value additive() {
        int sg = signs();
        Value a = multiplicative();
        if (sg < 0) a = negate(a);
        while (true) {
            skip();
            if (p_ >= s_.size() || (s_[p_] != '+' && s_[p_] != '-')) return a;
            int op = signs();
            Value b = multiplicative();
            a = arith(a, b, op < 0 ? '-' : '+');
        }
    }
    Value multiplicative() {
        Value a = power();
        while (true) {
            skip();
            if (at("**") || at("//")) return a;
            char op;
            if (eat("*"))
                op = '*';
            else if (eat("/"))
                op = '/';
            else
                return a;
            int sg = signs();
            Value b = power();
            if (sg < 0) b = negate(b);
            a = arith(a, b, op);
        }
    }
    Value power() {
        Value a = primary();
        if (eat("**")) {
            int sg = signs();
            Value b = power();  // right-associative
            if (sg < 0) b = negate(b);
            a = arith(a, b, 'p');
        }
        return a;
    }
    Value primary() {
        Guard g(depth_);
        skip();
        if (p_ >= s_.size()) throw Fail();
        char c = s_[p_];
        if (c == '(') {
            ++p_;
            Value v = eqv();
            if (!eat(")")) throw Fail();
            return substring(v);
        }
        if (c == '\'') return substring(quoted());
        if (dotted("true")) return mklog(true);
        if (dotted("false")) return mklog(false);
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return number();
        if (std::isalpha(static_cast<unsigned char>(c))) return name();
        throw Fail();
    }
    Value quoted() {
        ++p_;
        std::string t;
        while (true) {
            if (p_ >= s_.size()) throw Fail();
            if (s_[p_] == '\'') {
                if (p_ + 1 < s_.size() && s_[p_ + 1] == '\'') {
                    t += '\'';
                    p_ += 2;
                    continue;
                }
                ++p_;
                return mktext(t);
            }
            t += s_[p_++];
        }
    }
    bool dottedop_at(size_t q) {
        static const char* ops[] = {"eq.", "ne.",  "lt.",  "le.",   "gt.",   "ge.",   "and.",
                                    "or.", "not.", "eqv.", "neqv.", "true.", "false."};
        for (const char* o : ops) {
            size_t n = std::strlen(o);
            bool ok = q + n <= s_.size();
            for (size_t k = 0; ok && k < n; ++k)
                ok = std::tolower(static_cast<unsigned char>(s_[q + k])) == o[k];
            if (ok) return true;
        }
        return false;
    }
    Value number() {
        size_t b = p_;
        bool real = false;
        while (p_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[p_]))) ++p_;
        if (p_ < s_.size() && s_[p_] == '.' && !dottedop_at(p_ + 1)) {
            real = true;
            ++p_;
            while (p_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[p_]))) ++p_;
        }
        if (p_ == b || (p_ == b + 1 && s_[b] == '.')) throw Fail();
        if (p_ < s_.size() && std::strchr("eEdD", s_[p_])) {
            size_t q = p_ + 1;
            if (q < s_.size() && (s_[q] == '+' || s_[q] == '-')) ++q;
            if (q < s_.size() && std::isdigit(static_cast<unsigned char>(s_[q]))) {
                real = true;
                p_ = q;
                while (p_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[p_]))) ++p_;
            }
        }
        std::string t = s_.substr(b, p_ - b);
        for (char& ch : t)
            if (ch == 'd' || ch == 'D') ch = 'e';
        if (!real) {
            errno = 0;
            long long v = std::strtoll(t.c_str(), nullptr, 10);
            if (errno || v > INT_MAX) throw Fail();
            return mkint(v);
        }
        double r = std::strtod(t.c_str(), nullptr);
        if (!std::isfinite(r)) throw Fail();  // beyond the largest real
        return mkreal(r);
    }
    std::vector<Value> args() {
        std::vector<Value> a;
        if (eat(")")) return a;
        while (true) {
            a.push_back(eqv());
            if (eat(")")) return a;
            if (!eat(",")) throw Fail();
        }
    }
    // value(i:j), value(i:), value(:j), value(i) on a text value.
    Value substring(Value v) {
        skip();
        if (v.t != kText || p_ >= s_.size() || s_[p_] != '(') return v;
        ++p_;
        long long n = static_cast<long long>(v.s.size()), i = 1, j = n;
        bool colon = false;
        if (!at(":")) i = intarg();
        if (eat(":")) {
            colon = true;
            if (!at(")")) j = intarg();
        }
        if (!eat(")")) throw Fail();
        if (!colon) j = i;
        if (i < 1 || j > n || i > j + 1) throw Fail();
        return mktext(v.s.substr(i - 1, j - i + 1));
    }
    long long intarg() {
        Value x = additive();
        if (x.t != kInt) throw Fail();
        return x.i;
    }
    Value name() {
        size_t b = p_;
        while (p_ < s_.size() &&
               (std::isalnum(static_cast<unsigned char>(s_[p_])) || s_[p_] == '_'))
            ++p_;
        std::string nm = s_.substr(b, p_ - b);
        skip();
        bool call = p_ < s_.size() && s_[p_] == '(';
        if (call && isfunction(nm)) {
            ++p_;
            if (nm == "val" || nm == "external" || nm == "global") {
                skip();
                size_t q = p_;
                while (p_ < s_.size() && s_[p_] != ')') ++p_;
                std::string var = trim(s_.substr(q, p_ - q));
                if (!eat(")") || !havvar(var)) throw Fail();
                return literal(getval(var));
            }
            return function(nm, args());
        }
        if (!call && isfunction(nm) && noargs(nm)) return function(nm, {});
        if (!havvar(nm)) throw Fail();
        return substring(literal(getval(nm)));
    }
    static bool noargs(const std::string& n) {
        static const char* z[] = {"cputime",   "walltime", "time",   "date",     "macro",
                                  "fullmacro", "rand",     "gauss",  "getpid",   "irank",
                                  "master",    "maxint",   "getcwd", "gethostid"};
        for (const char* f : z)
            if (n == f) return !havvar(n);
        return false;
    }
    static bool isfunction(const std::string& n) {
        static const char* f[] = {
            "sqrt",       "exp",       "log",      "log10",      "sin",    "cos",
            "tan",        "asin",      "acos",     "atan",       "atan2",  "sinh",
            "cosh",       "tanh",      "abs",      "int",        "nint",   "real",
            "dble",       "float",     "min",      "max",        "mod",    "sign",
            "floor",      "ceiling",   "cputime",  "walltime",   "time",   "date",
            "macro",      "fullmacro", "rand",     "gauss",      "getpid", "irank",
            "master",     "maxint",    "getcwd",   "gethostid",  "val",    "external",
            "global",     "match",     "indexr",   "if",         "lenstr", "len_trim",
            "length",     "exist",     "def",      "existfile",  "opened", "mtime",
            "existmacro", "getenv",    "fitchisq", "fitprob",    "fitpar", "fiterr",
            "plotx0",     "ploty0",    "plotx1",   "ploty1",     "viewx0", "viewy0",
            "viewx1",     "viewy1",    "result",   "existresult"};
        for (const char* x : f)
            if (n == x) return true;
        return false;
    }
    static double realarg(const std::vector<Value>& a, size_t k) {
        if (k >= a.size() || !a[k].numeric()) throw Fail();
        return a[k].num();
    }
    static std::string textarg(const std::vector<Value>& a, size_t k) {
        if (k >= a.size() || a[k].t != kText) throw Fail();
        return a[k].s;
    }
    Value function(const std::string& n, const std::vector<Value>& a);
    const std::string& src() const { return s_; }
};

}  // namespace

namespace {

double ranuniform() {
    // Stream of the evaluator's rand(): the program's uniform generator.
    static int seed = -1;
    return ran1(seed);
}

Value Parser::function(const std::string& n, const std::vector<Value>& a) {
    size_t na = a.size();
    auto one = [&](double (*f)(double)) {
        if (na != 1) throw Fail();
        double r = f(realarg(a, 0));
        if (std::isnan(r) || std::isinf(r)) throw Fail();
        return mkreal(r);
    };
    if (n == "sqrt") return one(std::sqrt);
    if (n == "exp") return one(std::exp);
    if (n == "log") return one(std::log);
    if (n == "log10") return one(std::log10);
    if (n == "sin") return one(std::sin);
    if (n == "cos") return one(std::cos);
    if (n == "tan") return one(std::tan);
    if (n == "asin") return one(std::asin);
    if (n == "acos") return one(std::acos);
    if (n == "atan") return one(std::atan);
    if (n == "sinh") return one(std::sinh);
    if (n == "cosh") return one(std::cosh);
    if (n == "tanh") return one(std::tanh);
    if (n == "atan2") {
        if (na != 2) throw Fail();
        return mkreal(std::atan2(realarg(a, 0), realarg(a, 1)));
    }
    if (n == "abs") {
        if (na != 1 || !a[0].numeric()) throw Fail();
        return a[0].t == kInt ? mkint(a[0].i < 0 ? checked(0, a[0].i, '-') : a[0].i)
                              : mkreal(std::fabs(a[0].r));
    }
    if (n == "int" || n == "nint" || n == "floor" || n == "ceiling") {
        if (na != 1) throw Fail();
        double x = realarg(a, 0);
        double r = n == "int"     ? std::trunc(x)
                   : n == "nint"  ? std::round(x)
                   : n == "floor" ? std::floor(x)
                                  : std::ceil(x);
        if (std::fabs(r) > INT_MAX) throw Fail();
        return mkint(static_cast<long long>(r));
    }
    if (n == "real" || n == "dble" || n == "float") {
        if (na != 1) throw Fail();
        return mkreal(realarg(a, 0));
    }
    if (n == "min" || n == "max") {
        if (na < 1) throw Fail();
        Value best = a[0];
        bool allint = true;
        for (const Value& v : a) {
            if (!v.numeric()) throw Fail();
            allint = allint && v.t == kInt;
            if (n == "min" ? v.num() < best.num() : v.num() > best.num()) best = v;
        }
        return allint ? best : mkreal(best.num());
    }
    if (n == "mod") {
        if (na != 2) throw Fail();
        if (a[0].t == kInt && a[1].t == kInt) {
            return mkint(checked(a[0].i, a[1].i, '%'));
        }
        double y = realarg(a, 1);
        if (y == 0) throw Fail();
        return mkreal(std::fmod(realarg(a, 0), y));
    }
    if (n == "sign") {
        if (na != 2) throw Fail();
        double x = std::fabs(realarg(a, 0)), s = realarg(a, 1) < 0 ? -x : x;
        if (a[0].t == kInt && a[1].t == kInt) {
            long long m = a[0].i < 0 ? checked(0, a[0].i, '-') : a[0].i;
            return mkint(realarg(a, 1) < 0 ? -m : m);
        }
        return mkreal(s);
    }
    if (n == "cputime") return mkreal(timnow());
    if (n == "walltime") return mkint(iwall());
    if (n == "time") return mktext(uxtime());
    if (n == "date") return mktext(uxdate());
    if (n == "macro") return mktext(curmac());
    if (n == "fullmacro") return mktext(fullmac());
    if (n == "rand") {
        if (na == 0) return mkreal(ranuniform());
        double lo = na == 2 ? realarg(a, 0) : 0.0, hi = na == 2 ? realarg(a, 1) : realarg(a, 0);
        if (na == 1 && a[0].t == kInt)
            return mkint(1 + static_cast<long long>(ranuniform() * a[0].i));
        return mkreal(lo + (hi - lo) * ranuniform());
    }
    if (n == "gauss") {
        static int gseed = -2;
        return mkreal(gasdev(gseed));
    }
    if (n == "getpid") return mkint(getpid());
    if (n == "irank") return mkint(0);
    if (n == "master") return mklog(true);
    if (n == "maxint") return mkint(INT_MAX);
    if (n == "gethostid") return mkint(gethostid());
    if (n == "getcwd") {
        char b[4096];
        return mktext(getcwd(b, sizeof b) ? b : "");
    }
    if (n == "match" || n == "indexr") {
        if (na != 2) throw Fail();
        std::string x = textarg(a, 0), y = textarg(a, 1);
        return n == "match" ? mklog(match(x, y)) : mkint(indexr(x, y));
    }
    if (n == "if") {
        if (na != 3 || a[0].t != kLog) throw Fail();
        return a[0].l ? a[1] : a[2];
    }
    if (n == "lenstr" || n == "len_trim" || n == "length") {
        if (na != 1) throw Fail();
        std::string x = a[0].t == kText ? a[0].s : text(a[0]);
        return mkint(static_cast<long long>(n == "length" ? x.size() : trim(x).size()));
    }
    if (n == "exist" || n == "def") return mklog(na == 1 && havvar(trim(textarg(a, 0))));
    if (n == "existfile" || n == "mtime") {
        struct stat st;
        bool ok = stat(trim(textarg(a, 0)).c_str(), &st) == 0;
        if (n == "existfile") return mklog(ok);
        return mkint(ok ? static_cast<long long>(st.st_mtime) : 0);
    }
    if (n == "opened") return mklog(false);
    if (n == "existmacro") return mklog(!findmacro(trim(textarg(a, 0))).empty());
    if (n == "getenv") {
        const char* e = std::getenv(trim(textarg(a, 0)).c_str());
        return mktext(e ? e : "");
    }
    if (n == "result" || n == "existresult") {
        std::string v = "result_" + trim(textarg(a, 0));
        if (n == "existresult") return mklog(havvar(v));
        if (!havvar(v)) throw Fail();
        return literal(getval(v));
    }
    if (n == "fitchisq") return literal(havvar("fit_chi2") ? getval("fit_chi2") : "0.0");
    if (n == "fitprob")
        return literal(havvar("fit_probability") ? getval("fit_probability") : "0.0");
    // fitpar, fiterr, plot and view coordinates: no fit or plot window state is
    // exported through the evaluator.
    throw Fail();
}

bool evaluate(const std::string& text, Value& v) {
    try {
        Parser p(text);
        v = p.run();
        return true;
    } catch (const Fail&) {
        return false;
    }
}

}  // namespace

int ieva(const std::string& text, bool& err) {
    Value v;
    err = !evaluate(text, v) || v.t != kInt || v.i > INT_MAX || v.i < INT_MIN;
    return err ? 0 : static_cast<int>(v.i);
}

double reva(const std::string& text, bool& err) {
    Value v;
    err = !evaluate(text, v) || !v.numeric();
    return err ? 0.0 : v.num();
}

bool leva(const std::string& text, bool& err) {
    Value v;
    err = !evaluate(text, v) || v.t != kLog;
    return err ? false : v.l;
}

std::string seva(const std::string& text, bool& err) {
    Value v;
    err = !evaluate(text, v);
    if (err) return std::string();
    return valuetext(v);
}

std::string ceva(const std::string& text, bool& err) { return seva(text, err); }
