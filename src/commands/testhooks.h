// Test hooks, all in one place: budgets a test may lower so that a command
// runs in a fraction of a second. The program itself never sets them; at
// their defaults the commands run exactly as typed.
#pragma once

struct OptParams;

struct TestHooks {
    long annealsteps = -1;     // label flips per sample count; -1 keeps the default
    long gagenerations = -1;   // generations of fastsched; -1 keeps the default
    double exactseconds = -1;  // time of the exact engine; -1 keeps the default
    long polishsteps = -1;     // moves of the search for cheaper recipes; -1 keeps the default
    void tune(OptParams& p) const;
    void reset() { *this = TestHooks(); }
};

extern TestHooks testhooks;
