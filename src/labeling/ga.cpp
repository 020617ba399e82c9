#include "labeling/ga.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "kemlang/services.h"
#include "labeling/labutils.h"
#include "labeling/optimise.h"

namespace {

int gene(int s, int t) { return 21 * (s - 1) + t + 20; }

class Search {
   public:
    Search(const KemraData& mol, const LabelData& lab, const TypeMatrix& uniqs,
           const TypeMatrix& allowed, const Selection& base, const GaParams& p)
        : mol_(mol),
          lab_(lab),
          uniqs_(uniqs),
          allowed_(allowed),
          base_(base),
          p_(p),
          n_(std::max(p.popsize, 1)),
          pop_(static_cast<size_t>(n_)),
          next_(pop_),
          fit_(pop_.size()),
          dup_(pop_.size()),
          rank_(pop_.size()),
          labels_(kGaSamples + 1),
          sched_(std::make_unique<Schedule>()),
          seed_(-std::abs(p.seed)) {}

    void run(GaResult& r, GaObserver& obs) {
        initial();
        int bestfit = 0;
        for (long g = 1; g <= p_.evosteps; ++g) {
            for (int i = 0; i < n_; ++i) {
                double score = 0;
                evaluate(pop_[static_cast<size_t>(i)], fit_[static_cast<size_t>(i)],
                         dup_[static_cast<size_t>(i)], score);
            }
            rank();
            size_t top = static_cast<size_t>(rank_[0]);
            if (g == 1 || fit_[top] > bestfit) {
                bestfit = fit_[top];
                r.bestmember = pop_[top];
            }
            r.generations = g;
            obs.generation(g, fit_[top], bestfit);
            if (obs.stop()) {
                r.interrupted = true;
                break;
            }
            if (g == p_.evosteps) break;
            if (!reproduce(r)) break;
        }
        evaluate(r.bestmember, r.fitness, r.dupes, r.score);
        r.best = *sched_;
        r.resolved = chkuniqsdup(r.best, uniqs_);
    }

   private:
    void initial() {
        for (Member& m : pop_) {
            for (int k = 1; k <= kEntries; ++k)
                m.front[k] = base_.front[k], m.end[k] = base_.end[k];
            m.count = kGenes;
            for (int k = 1; k <= kGenes; ++k) {
                m.front[k] = ran1(seed_) > 0.5 ? 1 : 0;
                m.end[k] = ran1(seed_) > 0.5 ? 1 : 0;
            }
        }
    }

    void evaluate(const Member& m, int& fitness, int& dupes, double& score) {
        for (int s = 1; s <= kGaSamples; ++s)
            for (int t = 1; t <= kTypes; ++t) {
                auto& cell = labels_[static_cast<size_t>(s)][static_cast<size_t>(t)];
                cell[0] = m.front[gene(s, t)] > 0;
                cell[1] = m.end[gene(s, t)] > 0;
            }
        Schedule& s = *sched_;
        initschedule(s);
        convert_logical_to_labeling(labels_, kGaSamples, s, uniqs_);
        fillschednrs(s, uniqs_);
        dupes = 0;
        checkschedule(s, dupes, allowed_, uniqs_);
        score = scoreschedule(s, 1.0, 1.0, 1.0, uniqs_, mol_, lab_);
        fitness =
            dupes == 0 ? kCleanFitness + static_cast<int>(score) : static_cast<int>(score / dupes);
    }

    // Best first: higher fitness, then fewer duplicates; stable.
    void rank() {
        for (int i = 0; i < n_; ++i) {
            int k = i;
            rank_[static_cast<size_t>(i)] = i;
            while (k > 0 && better(i, rank_[static_cast<size_t>(k - 1)])) {
                rank_[static_cast<size_t>(k)] = rank_[static_cast<size_t>(k - 1)];
                --k;
            }
            rank_[static_cast<size_t>(k)] = i;
        }
    }
    bool better(int a, int b) const {
        size_t i = static_cast<size_t>(a), j = static_cast<size_t>(b);
        return fit_[i] > fit_[j] || (fit_[i] == fit_[j] && dup_[i] < dup_[j]);
    }

    const Member& ranked(int r) const {
        return pop_[static_cast<size_t>(rank_[static_cast<size_t>(r - 1)])];
    }

    bool reproduce(GaResult& r) {
        int elite = static_cast<int>(std::lround(p_.elitefactor));
        elite = std::clamp(elite, 0, n_ - 1);
        for (int i = 0; i < elite; ++i) next_[static_cast<size_t>(i)] = ranked(i + 1);
        for (int i = elite; i < n_; ++i) {
            const Member& a = ranked(drawparent(ran1(seed_), n_));
            const Member& b = ranked(drawparent(ran1(seed_), n_));
            Member& c = next_[static_cast<size_t>(i)];
            double u = ran1(seed_);
            int pos = 1 + static_cast<int>(u * a.count);
            if (pos < 1 || pos > a.count) {
                r.crossfail = true;
                r.crosspos = pos, r.crossmax = a.count, r.crossrand = u;
                return false;
            }
            c = a;
            for (int k = pos; k <= b.count; ++k) c.front[k] = b.front[k], c.end[k] = b.end[k];
            for (int s = 1; s <= kGaSamples; ++s) {
                if (ran1(seed_) >= p_.mutrate) continue;
                int g = std::min(41, static_cast<int>(ran1(seed_) * 42));
                int k = gene(s, g % kTypes + 1);
                int& flag = g < kTypes ? c.front[k] : c.end[k];
                flag = flag > 0 ? 0 : 1;
            }
        }
        std::swap(pop_, next_);
        return true;
    }

    const KemraData& mol_;
    const LabelData& lab_;
    const TypeMatrix& uniqs_;
    const TypeMatrix& allowed_;
    const Selection& base_;
    const GaParams& p_;
    int n_;
    std::vector<Member> pop_, next_;
    std::vector<int> fit_, dup_, rank_;
    LabelTable labels_;
    std::unique_ptr<Schedule> sched_;
    int seed_;
};

}  // namespace

int drawparent(double u, int n) {
    double x = u * (static_cast<double>(n) * (n + 1) / 2);
    double sum = 0;
    for (int r = 1; r <= n; ++r) {
        sum += n - r + 1;
        if (sum >= x) return r;
    }
    return n;
}

std::unique_ptr<GaResult> low_level_ga(const KemraData& mol, const LabelData& lab,
                                       const TypeMatrix& uniqs, const TypeMatrix& allowed,
                                       const Selection& base, const GaParams& p, GaObserver& obs) {
    auto r = std::make_unique<GaResult>();
    Search(mol, lab, uniqs, allowed, base, p).run(*r, obs);
    return r;
}
