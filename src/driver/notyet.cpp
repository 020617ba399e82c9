// Commands of the table whose module is not part of this build yet: each says
// so clearly instead of doing nothing.
#include "driver/commands.h"
#include "kemlang/print.h"

static void notyet(const char* name) {
    errmsg("Command " + strq(name) + " is not available in this version.");
}

#define QUILTER_NOTYET(fn, name) \
    __attribute__((weak)) void fn(Words&, int&) { notyet(name); }

QUILTER_NOTYET(atoms, "atoms")
QUILTER_NOTYET(readf, "read")
QUILTER_NOTYET(scorefunction, "score")
QUILTER_NOTYET(countuniquepairs, "countuniquepairs")
QUILTER_NOTYET(showuniquepairs, "showuniquepairs")
QUILTER_NOTYET(readlabel, "readlabel")
QUILTER_NOTYET(writelabel, "writelabel")
QUILTER_NOTYET(showlabel, "showlabel")
QUILTER_NOTYET(samplehelp, "samplehelp")
QUILTER_NOTYET(showsample, "showsample")
QUILTER_NOTYET(showrecipe, "showrecipe")
QUILTER_NOTYET(showaminoacids, "showaminoacids")
QUILTER_NOTYET(readstr, "readstr")
QUILTER_NOTYET(scorethis, "scorethis")
QUILTER_NOTYET(showwhatsleft, "showwhatsleft")
QUILTER_NOTYET(addbatch, "addbatch")
QUILTER_NOTYET(optimiselabeling, "optimiselabeling")
QUILTER_NOTYET(copyschedule, "copyschedule")
QUILTER_NOTYET(modifypair, "modifypair")
QUILTER_NOTYET(removepair, "removepair")
QUILTER_NOTYET(showpairs, "showpairs")
QUILTER_NOTYET(set_allowed_dupes, "setdupes")
QUILTER_NOTYET(writesession, "writesession")
QUILTER_NOTYET(readsession, "readsession")
QUILTER_NOTYET(addpairtobatch, "addpairtobatch")
QUILTER_NOTYET(showbatch, "showbatch")
QUILTER_NOTYET(remove_unused_pairs, "remove_unused_pairs")
QUILTER_NOTYET(create_color_schedule, "create_color")
QUILTER_NOTYET(makefulllabeled, "makefulllabeled")
QUILTER_NOTYET(set_pair_class, "setclass")
QUILTER_NOTYET(show_pair_classes, "showclasses")
QUILTER_NOTYET(output_labeling_html, "output_labeling_html")
QUILTER_NOTYET(showlabelmultiple, "showlabelmultiple")
QUILTER_NOTYET(fastsched, "fastsched")
QUILTER_NOTYET(set_price, "setprice")
QUILTER_NOTYET(score_test_ov, "score_test_ov")

// The test hook of the table: accepts its words and does nothing.
__attribute__((weak)) void test_quilter(Words&, int&) {}
