// What the first schedule reaches at the sizes users have: for each protein
// and sample budget k, the unique pairs, those resolved (by the brute-force
// checker), samples used, the recipe's price, the proven bound and the wall
// time; then the fewest samples that resolve every unique pair.
// Usage: design_table [exact seconds per cell (20)] [kmin kmax (4 9)] [name part or "all"]
//                     [spectra: hnco or hsqc+hnco] [offer: table or all]
// A name "random:N:SEED" makes that random protein the only row.
// The offer "all" prices every form that the table does not offer, so that
// the table shows what the spectra alone allow.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "../tests/brute.h"
#include "benchutil.h"
#include "labeling/optimise.h"
#include "labeling/price.h"
#include "labelio/recipe.h"
#include "tuned.h"

namespace {

struct Shown : Observer {
    void progress(const std::string& t) override { benchutil::showprogress(t); }
};

}  // namespace

int main(int argc, char** argv) {
    double exact = argc > 1 ? std::atof(argv[1]) : 20;
    int kmin = argc > 2 ? std::atoi(argv[2]) : 4, kmax = argc > 3 ? std::atoi(argv[3]) : 9;
    const std::string spectra = argc > 5 ? argv[5] : "hnco";
    const bool everything = argc > 6 && std::string(argv[6]) == "all";
    std::vector<std::string> proteins = {"ubiquitin.fasta",
                                         "gb1.fasta",
                                         "ci2.fasta",
                                         "hewl.fasta",
                                         "mbp.fasta",
                                         benchutil::randomprotein(350, 11),
                                         benchutil::randomprotein(1000, 7)};
    if (argc > 4 && std::string(argv[4]).rfind("random:", 0) == 0)
        proteins = {benchutil::named(argv[4])};
    std::printf("%-28s %2s %6s %8s %7s %7s %6s %7s %8s\n", "protein", "k", "unique", "resolved",
                "samples", "price", "bound", "fewest", "seconds");
    for (const std::string& f : proteins) {
        Selection base;
        TypeMatrix uniqs{};
        benchutil::protein(f, base, uniqs);
        if (everything) benchutil::offereverything();
        std::string name = f.substr(f.find_last_of('/') + 1);
        if (argc > 4 && std::string(argv[4]) != "all" && proteins.size() > 1 &&
            name.find(argv[4]) == std::string::npos)
            continue;
        Model model;
        if (!modelof(spectra, asnameconverttonumber(kemradata, "PRO"), model)) {
            std::fprintf(stderr, "spectra: hnco or hsqc+hnco\n");
            return 2;
        }
        for (int k = kmin; k <= kmax; ++k) {
            OptParams p;
            for (auto& row : p.allowed) row.fill(1);
            p.iterations = 0;
            p.seed = 1;
            p.cutoff = cutoffmask(k);
            p.exactseconds = exact;
            p.threads = static_cast<int>(std::thread::hardware_concurrency());
            benchutil::tuned(p);
            p.model = model;
            Shown shown;
            std::string cap;
            kemlangdata.capture = &cap;
            auto t0 = std::chrono::steady_clock::now();
            auto r = optimise({base, uniqs, kemradata, labdata}, p, shown);
            double secs =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            Brute b = brute(r->ranked[1], uniqs, 1);
            if (model.twospectra()) {  // the residues' own words judge it
                std::vector<int> types;
                for (int i = 1; i <= kemradata.nr; ++i) types.push_back(kemradata.irlib[i]);
                b.resolved = brutetwospectra(types, bought(r->ranked[1]),
                                             asnameconverttonumber(kemradata, "PRO"), kSamples);
                b.total = 0;
            }
            const int bought_notoffered =
                offerof(typeprices(kemradata, labdata)).count(bought(r->ranked[1]));
            int unique = 0, samples = lastsample(r->ranked[1]);
            for (int i = 1; i <= base.count; ++i) unique += uniqs[base.front[i]][base.end[i]] == 1;
            int price = makerecipe(r->ranked[1], labdata, kemradata, true).total;
            kemlangdata.capture = nullptr;
            std::printf("%-28s %2d %6d %8d %7d %7d %6d %7d %8.1f%s\n", name.c_str(), k, unique,
                        b.resolved, samples, price, r->bound, r->fewest, secs,
                        b.total             ? "  duplicates!"
                        : bought_notoffered ? "  buys a form not offered!"
                                            : "");
            std::fflush(stdout);
        }
    }
}
