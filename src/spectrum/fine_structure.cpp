#include "spectrum/fine_structure.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <numeric>
#include <span>
#include <string>
#include <unordered_set>
#include <utility>

#include "core/thread_state.hpp"
#include "spectrum/key_order.hpp"
#include "spectrum/mass_sort.hpp"

namespace corvan::spectrum {

namespace {

using Counts = std::array<long long, kMaxIsotopes>;

// Layers (nucleons above the lightest composition) are counted up to here.
constexpr int kMostLayers = 1 << 20;
// Up to this many layers apart, compositions are ordered by layer first:
// a nucleon adds 0.99 to 1.01 u, so the layers' masses hardly overlap.
constexpr int kOrderedLayers = 40;
// Room made at once for an element's compositions and for the prefixes:
// enough for most molecules, so the lists seldom grow.
constexpr std::size_t kUsualRows = 32, kUsualPrefixes = 64;
// Up to this many rows, a run is measured by counting rather than search.
constexpr std::size_t kCountedRows = 64;
// A thread keeps each working list up to this size between calls.
constexpr std::size_t kKeptScratchBytes = std::size_t{1} << 22;

// One element's compositions above its cut, most probable first.
struct Marginal {
    struct Row {
        double log_probability, probability; // the second made once sorted
        double mass;
        int layer; // nucleons above the group's lightest composition
    };
    std::vector<Row> rows;
    // The least and most layer among rows 0 .. i, once sorted.
    std::vector<int> least_layer, most_layer;
    // Along a line (a group of at most two isotopes) each nucleon adds this
    // mass; NaN for larger groups, whose compositions lie on no line.
    double slope = std::numeric_limits<double>::quiet_NaN();

    // Empty again, keeping its room for the next call.
    void reset() {
        rows.clear();
        least_layer.clear();
        most_layer.clear();
        slope = std::numeric_limits<double>::quiet_NaN();
    }
};

struct GroupModel {
    const AtomGroup &group;
    std::array<double, kMaxIsotopes> log_share{};
    std::array<int, kMaxIsotopes> nucleons{}; // above the lightest isotope
    double log_whole = 0;                     // log n!

    explicit GroupModel(const AtomGroup &g) : group(g) {
        for (std::size_t i = 0; i < g.size; ++i) {
            log_share[i] = std::log(g.shares[i]);
            nucleons[i] = static_cast<int>(std::lround(g.masses[i] - g.masses[0]));
        }
        log_whole = std::lgamma(static_cast<double>(g.count) + 1);
    }
    int layer(const Counts &c) const {
        long long value = 0;
        for (std::size_t i = 0; i < group.size; ++i) value += c[i] * nucleons[i];
        return static_cast<int>(std::clamp<long long>(value, -1, kMostLayers));
    }
    double log_probability(const Counts &c) const {
        double value = log_whole;
        for (std::size_t i = 0; i < group.size; ++i)
            value += static_cast<double>(c[i]) * log_share[i] -
                     std::lgamma(static_cast<double>(c[i]) + 1);
        return value;
    }
    double mass(const Counts &c) const {
        double value = 0;
        for (std::size_t i = 0; i < group.size; ++i)
            value += static_cast<double>(c[i]) * group.masses[i];
        return value;
    }
    // log of P(c with one atom moved from isotope i to j) / P(c).
    double move_gain(const Counts &c, std::size_t i, std::size_t j) const {
        return std::log(static_cast<double>(c[i])) - std::log(static_cast<double>(c[j]) + 1) +
               log_share[j] - log_share[i];
    }
};

// The multinomial's most probable composition: rounding n p, then single
// moves uphill. The log-probability is separable and concave on the
// simplex's lattice, so a composition no move improves is the mode.
Counts mode_of(const GroupModel &model) {
    const AtomGroup &g = model.group;
    Counts c{};
    long long placed = 0;
    std::size_t largest = 0;
    for (std::size_t i = 0; i < g.size; ++i) {
        c[i] = static_cast<long long>(std::floor(static_cast<double>(g.count) * g.shares[i]));
        placed += c[i];
        if (g.shares[i] > g.shares[largest]) largest = i;
    }
    c[largest] += g.count - placed;
    for (bool moved = true; moved;) {
        moved = false;
        for (std::size_t i = 0; i < g.size; ++i)
            for (std::size_t j = 0; j < g.size; ++j)
                while (i != j && c[i] > 0 && model.move_gain(c, i, j) > 1e-12) {
                    --c[i];
                    ++c[j];
                    moved = true;
                }
    }
    return c;
}

struct CountsHash {
    std::size_t operator()(const Counts &c) const noexcept {
        std::size_t h = 1469598103934665603ull;
        for (long long v : c) h = (h ^ static_cast<std::size_t>(v)) * 1099511628211ull;
        return h;
    }
};

// The compositions a flood has reached: a table indexed by the counts of
// the isotopes after the first while it stays small (oxygen and sulfur of
// peptides), a hash set beyond.
class Reached {
  public:
    // `dense` is the caller's room for the table, reused from call to call.
    Reached(const AtomGroup &group, std::vector<unsigned char> &dense) : dense_(dense) {
        dense_.clear();
        const auto base = static_cast<std::size_t>(group.count) + 1;
        std::size_t cells = 1;
        for (std::size_t i = 1; i < group.size && cells <= kDenseCells; ++i) cells *= base;
        if (cells > kDenseCells) return;
        base_ = base;
        dense_.assign(cells, 0);
    }
    // False when `c` was reached before.
    bool insert(const Counts &c) {
        if (dense_.empty()) return hashed_.insert(c).second;
        std::size_t index = 0;
        for (std::size_t i = kMaxIsotopes; i-- > 1;)
            index = index * base_ + static_cast<std::size_t>(c[i]);
        return std::exchange(dense_[index], 1) == 0;
    }

  private:
    static constexpr std::size_t kDenseCells = std::size_t{1} << 16;
    std::size_t base_ = 0;
    std::vector<unsigned char> &dense_;
    std::unordered_set<Counts, CountsHash> hashed_;
};

void sort_marginal(Marginal &m) {
    using Row = Marginal::Row;
    std::sort(m.rows.begin(), m.rows.end(),
              [](const Row &a, const Row &b) { return a.log_probability > b.log_probability; });
    for (Row &row : m.rows) row.probability = std::exp(row.log_probability);
    m.least_layer.resize(m.rows.size());
    m.most_layer.resize(m.rows.size());
    for (std::size_t i = 0; i < m.rows.size(); ++i) {
        m.least_layer[i] = std::min(m.rows[i].layer, i > 0 ? m.least_layer[i - 1] : kMostLayers);
        m.most_layer[i] = std::max(m.rows[i].layer, i > 0 ? m.most_layer[i - 1] : -kMostLayers);
    }
}

// Two isotopes make a line of compositions, unimodal along it: walk out
// from the mode both ways while above the cut. Each step's log-probability
// is its neighbour's plus one ratio (two logarithms instead of lgammas).
bool line_above(const GroupModel &model, const Counts &mode, double cut, std::size_t limit,
                Marginal &result) {
    const long long n = model.group.count;
    const double light = model.group.masses[0];
    const double heavy = model.group.size == 2 ? model.group.masses[1] : 0;
    const double top_lp = model.log_probability(mode);
    result.rows.reserve(kUsualRows);
    const int step = model.group.size == 2 ? model.nucleons[1] : 0;
    if (step > 0) result.slope = (heavy - light) / step;
    if (model.group.size == 1) result.slope = 0;
    const auto keep = [&](long long k, double lp) {
        result.rows.push_back({lp, 0.0,
                               static_cast<double>(n - k) * light + static_cast<double>(k) * heavy,
                               static_cast<int>(std::min<long long>(k * step, kMostLayers))});
    };
    keep(mode[1], top_lp);
    if (model.group.size == 2) {
        const double up = model.log_share[1] - model.log_share[0];
        double lp = top_lp;
        for (long long k = mode[1]; k < n; ++k) {
            lp += std::log(static_cast<double>(n - k) / static_cast<double>(k + 1)) + up;
            if (lp < cut) break;
            keep(k + 1, lp);
        }
        lp = top_lp;
        for (long long k = mode[1]; k > 0; --k) {
            lp += std::log(static_cast<double>(k) / static_cast<double>(n - k + 1)) - up;
            if (lp < cut) break;
            keep(k - 1, lp);
        }
    }
    if (result.rows.size() > limit) return false;
    sort_marginal(result);
    return true;
}

// A flood's working lists, kept from call to call.
struct FloodRoom {
    std::vector<unsigned char> dense;
    std::vector<std::pair<Counts, double>> frontier;
};

// Every composition of the group whose log-probability is at least `cut`:
// a flood from the mode over single moves, which reaches the whole
// superlevel set because such sets of a concave separable function on the
// lattice are connected by those moves. False when more than `limit`.
bool marginal_above(const GroupModel &model, double cut, std::size_t limit, FloodRoom &room,
                    Marginal &result) {
    const Counts mode = mode_of(model);
    if (model.group.size <= 2) return line_above(model, mode, cut, limit, result);
    Reached seen(model.group, room.dense);
    seen.insert(mode);
    // Each composition with its log-probability, a neighbour's plus one move.
    auto &frontier = room.frontier;
    frontier.clear();
    frontier.emplace_back(mode, model.log_probability(mode));
    const std::size_t size = model.group.size;
    while (!frontier.empty()) {
        const auto [c, lp] = frontier.back();
        frontier.pop_back();
        result.rows.push_back({lp, 0.0, model.mass(c), model.layer(c)});
        if (result.rows.size() > limit) return false;
        for (std::size_t i = 0; i < size; ++i)
            for (std::size_t j = 0; j < size; ++j) {
                if (i == j || c[i] == 0) continue;
                const double next_lp = lp + model.move_gain(c, i, j);
                if (next_lp < cut) continue;
                Counts next = c;
                --next[i];
                ++next[j];
                if (!seen.insert(next)) continue;
                frontier.emplace_back(next, next_lp);
            }
    }
    sort_marginal(result);
    return true;
}

using Entry = WeightedMass;

bool more_probable(const Entry &a, const Entry &b) {
    return a.probability > b.probability;
}

// Leaves new elements uninitialised: the collector writes each entry once.
template <class T> struct Unset : std::allocator<T> {
    template <class U> struct rebind { using other = Unset<U>; };
    Unset() = default;
    template <class U> Unset(const Unset<U> &) noexcept {}
    template <class U> void construct(U *at) noexcept { ::new (static_cast<void *>(at)) U; }
    template <class U, class... A> void construct(U *at, A &&...args) {
        ::new (static_cast<void *>(at)) U(std::forward<A>(args)...);
    }
};

using Entries = std::vector<Entry, Unset<Entry>>;
using Layers = std::vector<int, Unset<int>>;

// Keeps the `cap` most probable compositions met, counting them all. When
// `layered`, each entry's layer (nucleons above the lightest composition)
// travels with it and the entries of one layer arrive in mass order.
// The entries and layers live in the caller's lists, emptied here.
struct Collector {
    Collector(std::size_t most, std::size_t limit, Entries &entries, Layers &entry_layers)
        : cap(most), count_limit(limit), kept(entries), layers(entry_layers) {
        kept.clear();
        layers.clear();
    }
    std::size_t cap;
    std::size_t count_limit;
    std::size_t count = 0;
    double total = 0;
    bool stopped = false;
    bool layered = false;
    bool placed = false; // the peaks went straight to the answer
    int least_layer = kMostLayers, most_layer = 0;
    Entries &kept;
    Layers &layers;

    void add(double p, double m) {
        ++count;
        total += p;
        if (count > count_limit) stopped = true;
        kept.push_back({p, m});
        layers.push_back(0);
        if (kept.size() >= 2 * cap + 1024) compact();
    }
    // Room for `more` entries at the end, written by the caller; false
    // (and stopped) when the count passes its limit.
    bool grow(std::size_t more) {
        count += more;
        if (count > count_limit) return !(stopped = true);
        kept.resize(kept.size() + more);
        if (layered) layers.resize(kept.size());
        return true;
    }
    // After entries were written from `from` on: their total, their layers'
    // range, and the cap's bound on memory.
    void settle(std::size_t from) {
        for (std::size_t i = from; i < kept.size(); ++i) total += kept[i].probability;
        if (layered && from < kept.size()) {
            const auto [least, most] =
                std::minmax_element(layers.begin() + static_cast<long>(from), layers.end());
            least_layer = std::min(least_layer, *least);
            most_layer = std::max(most_layer, *most);
        }
        if (kept.size() >= 2 * cap + 1024) compact();
    }
    void compact() {
        if (kept.size() <= cap) return;
        std::nth_element(kept.begin(), kept.begin() + static_cast<long>(cap), kept.end(),
                         more_probable);
        kept.resize(cap);
        layered = false;
    }
};

// Where threshold mode may write its peaks directly (result null: not).
struct Placement {
    FinePeaks *result = nullptr;
    double fixed_mass = 0, divisor = 1;
};

// Orders masses that rounding left a hair apart the wrong way (a layer's
// compositions arrive in mass order up to that).
void order_hairs(FinePeaks &peaks) {
    for (std::size_t i = 1; i < peaks.mz.size(); ++i)
        for (std::size_t j = i; j > 0 && peaks.mz[j - 1] > peaks.mz[j]; --j) {
            std::swap(peaks.mz[j - 1], peaks.mz[j]);
            std::swap(peaks.probability[j - 1], peaks.probability[j]);
        }
}

// A composition of every group but the innermost, with room left for it.
struct Prefix {
    double lp, p, m;
    int layer;
    double key;         // mass less layer times the innermost line's slope
    std::size_t length; // compositions of the innermost group it takes
};

// Everything a call works in but its answer, kept on its thread so that
// a call allocates little more than the answer once the lists have grown.
struct FineScratch {
    std::vector<GroupModel> models;
    std::vector<Marginal> marginals; // the first `groups` are this call's
    FloodRoom flood;
    std::vector<double> best_rest;
    std::vector<Prefix> prefixes, spare_prefixes;
    std::vector<std::size_t> starts;
    Entries kept;
    Layers layers;
    std::vector<double> chosen;

    // The call's marginals, emptied; the list only grows, so each keeps its room.
    std::span<Marginal> marginals_for(std::size_t groups) {
        if (marginals.size() < groups) marginals.resize(groups);
        for (std::size_t g = 0; g < groups; ++g) marginals[g].reset();
        return {marginals.data(), groups};
    }
    // Gives back what one very large call grew, so a thread does not hold it.
    void trim();
};

template <class List> void release_if_large(List &list) {
    if (list.capacity() * sizeof(typename List::value_type) > kKeptScratchBytes) List().swap(list);
}

void FineScratch::trim() {
    for (Marginal &m : marginals) {
        release_if_large(m.rows);
        release_if_large(m.least_layer);
        release_if_large(m.most_layer);
    }
    release_if_large(flood.dense);
    release_if_large(flood.frontier);
    release_if_large(prefixes);
    release_if_large(spare_prefixes);
    release_if_large(starts);
    release_if_large(kept);
    release_if_large(layers);
    release_if_large(chosen);
}

struct Joint {
    std::span<const Marginal> marginals;
    const std::vector<double> &best_rest; // best_rest[l]: sum of the maxima of groups l..
    double cut;
    std::size_t limit;
    std::vector<Prefix> &prefixes;
    std::vector<Prefix> &spare;      // room for ordering the prefixes
    std::vector<std::size_t> &start; // room for measure() and place()

    // The cut is tested on logarithms; probabilities are carried as
    // products, which spares an exponential per composition.
    void walk(std::size_t level, double lp, double p, double m, int layer) {
        if (prefixes.size() > limit) return;
        if (level + 1 == marginals.size()) {
            prefixes.push_back({lp, p, m, layer, 0.0, 0});
            return;
        }
        const Marginal &g = marginals[level];
        for (const Marginal::Row &row : g.rows) {
            const double next = lp + row.log_probability;
            if (next + best_rest[level + 1] < cut) break;
            walk(level + 1, next, p * row.probability, m + row.mass, layer + row.layer);
        }
    }
    // Each prefix's run of the innermost group. Within one layer a line's
    // compositions differ from their prefix by the same mass, so prefixes
    // in order of mass less layer times the line's slope give each layer's
    // entries in mass order.
    // The rows of `g` that a prefix of log-probability `lp` keeps: a prefix
    // of them, counted without a branch per row when they are few (a
    // search's branches go either way and stall the processor).
    std::size_t run_length(const Marginal &g, double lp) const {
        if (g.rows.size() > kCountedRows) {
            const auto end =
                std::partition_point(g.rows.begin(), g.rows.end(), [&](const Marginal::Row &row) {
                    return lp + row.log_probability >= cut;
                });
            return static_cast<std::size_t>(end - g.rows.begin());
        }
        std::size_t n = 0;
        for (const Marginal::Row &row : g.rows) n += lp + row.log_probability >= cut ? 1 : 0;
        return n;
    }
    // Orders the prefixes (by layer when asked) and measures their runs;
    // returns the number of compositions.
    std::size_t measure(bool layered) {
        const Marginal &g = marginals.back();
        if (layered) {
            for (Prefix &x : prefixes) x.key = x.m - x.layer * g.slope;
            order_by_key(prefixes, spare, start, [](const Prefix &x) { return x.key; });
        }
        std::size_t total = 0;
        for (Prefix &x : prefixes) {
            x.length = run_length(g, x.lp);
            total += x.length;
        }
        return total;
    }
    // Counted first, so the collector makes room once; then each prefix's
    // run is written without a test per entry.
    void emit(Collector &out) {
        const Marginal &g = marginals.back();
        const std::size_t total = measure(out.layered);
        const std::size_t from = out.kept.size();
        if (!out.grow(total)) return;
        Entry *to = out.kept.data() + from;
        for (const Prefix &x : prefixes) {
            for (std::size_t i = 0; i < x.length; ++i)
                to[i] = {x.p * g.rows[i].probability, x.m + g.rows[i].mass};
            to += x.length;
        }
        if (out.layered) {
            int *layer = out.layers.data() + from;
            for (const Prefix &x : prefixes) {
                for (std::size_t i = 0; i < x.length; ++i) layer[i] = x.layer + g.rows[i].layer;
                layer += x.length;
            }
        }
        out.settle(from);
    }
    // By threshold and by layer, each composition straight to its place in
    // the answer: its layer's start plus the compositions of that layer
    // before it. False, with nothing done, when the layers span too many.
    bool place(Collector &out, const Placement &to) {
        const Marginal &g = marginals.back();
        const std::size_t total = measure(true);
        int least = kMostLayers, most = -1;
        for (const Prefix &x : prefixes) {
            if (x.length == 0) continue;
            least = std::min(least, x.layer + g.least_layer[x.length - 1]);
            most = std::max(most, x.layer + g.most_layer[x.length - 1]);
        }
        if (most - least > kOrderedLayers) return false;
        out.count += total;
        out.stopped = out.count > out.count_limit;
        if (out.count > out.cap) return true; // the caller fails with the count
        start.assign(static_cast<std::size_t>(most - least) + 2, 0);
        const auto slot = [&](const Prefix &x, std::size_t i) {
            return static_cast<std::size_t>(x.layer + g.rows[i].layer - least);
        };
        for (const Prefix &x : prefixes)
            for (std::size_t i = 0; i < x.length; ++i) ++start[slot(x, i) + 1];
        for (std::size_t l = 1; l < start.size(); ++l) start[l] += start[l - 1];
        FinePeaks &peaks = *to.result;
        peaks.mz.resize(total);
        peaks.probability.resize(total);
        const double per_charge = 1 / to.divisor; // exact for 1, 2, 4, ...
        for (const Prefix &x : prefixes)
            for (std::size_t i = 0; i < x.length; ++i) {
                const std::size_t at = start[slot(x, i)]++;
                peaks.mz[at] = (x.m + g.rows[i].mass + to.fixed_mass) * per_charge;
                peaks.probability[at] = x.p * g.rows[i].probability;
            }
        order_hairs(peaks);
        return true;
    }
};

Outcome too_many(std::size_t needed, std::size_t cap, bool at_least) {
    return Outcome::failure(CORVAN_E_TOO_WIDE,
                            "the fine structure needs " + std::string(at_least ? "at least " : "") +
                                std::to_string(needed) + " peaks, more than the cap of " +
                                std::to_string(cap));
}

// Every composition whose log-probability is at least the highest's plus
// `log_ratio`, into `out`; by layer when `by_mass` and the innermost group
// is a line.
bool enumerate(const std::vector<GroupModel> &models, double log_ratio, bool by_mass,
               const Placement &placement, FineScratch &scratch, Collector &out) {
    const std::span<Marginal> marginals = scratch.marginals_for(models.size());
    for (std::size_t g = 0; g < models.size(); ++g) {
        const double top = models[g].log_probability(mode_of(models[g]));
        if (!marginal_above(models[g], top + log_ratio, out.count_limit, scratch.flood,
                            marginals[g]))
            return false;
    }
    if (marginals.empty()) {
        out.add(1.0, 0.0); // every atom a fixed isotope: one composition
        return true;
    }
    // Groups with the most compositions innermost, where breaking off saves most.
    std::sort(marginals.begin(), marginals.end(),
              [](const Marginal &a, const Marginal &b) { return a.rows.size() < b.rows.size(); });
    // Ordering by mass wants a line innermost: the largest one goes there.
    const auto line = std::find_if(marginals.rbegin(), marginals.rend(),
                                   [](const Marginal &m) { return !std::isnan(m.slope); });
    if (by_mass && line != marginals.rend())
        std::rotate(line.base() - 1, line.base(), marginals.end());
    std::vector<double> &best_rest = scratch.best_rest;
    best_rest.assign(marginals.size() + 1, 0.0);
    for (std::size_t l = marginals.size(); l-- > 0;)
        best_rest[l] = best_rest[l + 1] + marginals[l].rows.front().log_probability;
    scratch.prefixes.clear();
    scratch.prefixes.reserve(kUsualPrefixes);
    Joint joint{marginals,       best_rest,        best_rest[0] + log_ratio,
                out.count_limit, scratch.prefixes, scratch.spare_prefixes,
                scratch.starts};
    joint.walk(0, 0.0, 1.0, 0.0, 0);
    if (joint.prefixes.size() > out.count_limit) return false;
    const bool any_below = std::any_of(marginals.begin(), marginals.end(), [](const Marginal &m) {
        return std::any_of(m.rows.begin(), m.rows.end(),
                           [](const Marginal::Row &r) { return r.layer < 0; });
    });
    out.layered = by_mass && !std::isnan(marginals.back().slope) && !any_below;
    out.placed = out.layered && placement.result != nullptr && joint.place(out, placement);
    if (!out.placed) joint.emit(out);
    return !out.stopped;
}

// Compositions this close (Da) are the same atoms summed in another order.
constexpr double kSameMass = 1e-9;

bool has_split_element(const IonAtoms &atoms) {
    for (std::size_t g = 1; g < atoms.groups.size(); ++g)
        if (atoms.groups[g].element == atoms.groups[g - 1].element) return true;
    return false;
}

// Entries that arrived in mass order within each layer, placed by a
// stable count of their layers; a last pass orders masses that rounding
// left a hair apart the wrong way.
void place_by_layer(const Collector &out, std::size_t count, double fixed, double divisor,
                    std::vector<std::size_t> &start, FinePeaks &result) {
    const auto slot = [&](std::size_t i) {
        return static_cast<std::size_t>(out.layers[i] - out.least_layer);
    };
    start.assign(static_cast<std::size_t>(out.most_layer - out.least_layer) + 2, 0);
    for (std::size_t i = 0; i < count; ++i) ++start[slot(i) + 1];
    for (std::size_t l = 1; l < start.size(); ++l) start[l] += start[l - 1];
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = start[slot(i)]++;
        result.mz[at] = (out.kept[i].mass + fixed) / divisor;
        result.probability[at] = out.kept[i].probability;
    }
    order_hairs(result);
}

// The first `count` entries as peaks, sorted by mass when asked (or when
// equal compositions must meet).
void hand_out(const IonAtoms &atoms, Collector &out, std::size_t count, bool by_mass,
              std::vector<std::size_t> &starts, FinePeaks &result) {
    Entries &entries = out.kept;
    const bool split = has_split_element(atoms);
    const bool layered = out.layered && out.most_layer - out.least_layer <= kOrderedLayers;
    if ((by_mass && !layered) || split) sort_by_mass(entries.data(), count);
    result.mz.clear();
    result.probability.clear();
    if (!split) {
        result.mz.resize(count);
        result.probability.resize(count);
        const double divisor = atoms.charge == 0 ? 1.0 : std::abs(atoms.charge);
        if (by_mass && layered) {
            place_by_layer(out, count, atoms.fixed_mass, divisor, starts, result);
            return;
        }
        for (std::size_t i = 0; i < count; ++i) {
            result.mz[i] = (entries[i].mass + atoms.fixed_mass) / divisor;
            result.probability[i] = entries[i].probability;
        }
        return;
    }
    result.mz.reserve(count);
    result.probability.reserve(count);
    // An element split between the molecule and its carrier reaches some
    // compositions from both sides: those are one peak.
    for (std::size_t i = 0; i < count; ++i) {
        const Entry &e = entries[i];
        if (i > 0 && e.mass - entries[i - 1].mass < kSameMass) {
            result.probability.back() += e.probability;
            continue;
        }
        result.mz.push_back(atoms.to_mz(e.mass + atoms.fixed_mass));
        result.probability.push_back(e.probability);
    }
}

Outcome by_threshold(const std::vector<GroupModel> &models, const IonAtoms &atoms,
                     const FineRequest &request, FineScratch &scratch, FinePeaks &result,
                     std::size_t &needed) {
    const std::size_t limit = request.max_peaks * kCountingLimit;
    Collector out(request.max_peaks, limit, scratch.kept, scratch.layers);
    Placement placement;
    if (request.by_mass && !has_split_element(atoms))
        placement = {&result, atoms.fixed_mass, atoms.charge == 0 ? 1.0 : std::abs(atoms.charge)};
    const bool complete =
        enumerate(models, std::log(request.value), request.by_mass, placement, scratch, out);
    needed = out.count;
    if (!complete) return too_many(std::max(out.count, limit + 1), request.max_peaks, true);
    if (out.count > request.max_peaks) return too_many(out.count, request.max_peaks, false);
    if (!out.placed) hand_out(atoms, out, out.count, request.by_mass, scratch.starts, result);
    return Outcome::success();
}

using Probabilities = std::vector<double>::iterator;

// Moves the fewest most probable of [first, last) whose probabilities bring
// `sum` to `goal` (all, when they do not) to the front and returns their
// end; `sum` grows by their total. Halving by selection instead of
// sorting: each round keeps the half that holds the boundary.
Probabilities halve_to_cover(Probabilities first, Probabilities last, double goal, double &sum) {
    while (last - first > 16) {
        const auto middle = first + (last - first) / 2;
        std::nth_element(first, middle, last, std::greater<>());
        double upper = 0;
        for (auto it = first; it != middle; ++it) upper += *it;
        if (sum + upper >= goal) {
            last = middle;
        } else {
            sum += upper;
            first = middle;
        }
    }
    std::sort(first, last, std::greater<>());
    while (first != last && sum < goal) sum += *first++;
    return first;
}

// Probabilities in bands of a sixteenth of an octave below the highest
// (the top bits of a positive double grow with its value), the last band
// holding everything further down: 32 octaves, 2e-10 of the highest.
constexpr int kBandBits = 48;
constexpr std::size_t kBands = 512;

std::size_t band_of(double p, std::uint64_t top) {
    const std::uint64_t below = top - (std::bit_cast<std::uint64_t>(p) >> kBandBits);
    return static_cast<std::size_t>(std::min<std::uint64_t>(below, kBands - 1));
}

// Moves the fewest most probable entries whose probabilities sum to `goal`
// (all, when they do not) to the front and returns their number; `sum`
// receives their total. The bands' sums find the band that holds the
// boundary in one pass; only that band is searched entry by entry.
std::size_t most_probable_covering(std::vector<double> &entries, double goal, double &sum) {
    sum = 0;
    if (entries.empty()) return 0;
    const std::uint64_t top =
        std::bit_cast<std::uint64_t>(*std::max_element(entries.begin(), entries.end())) >>
        kBandBits;
    std::array<double, kBands> band_sum{};
    for (double p : entries) band_sum[band_of(p, top)] += p;
    std::size_t boundary = 0;
    double above = 0;
    while (boundary + 1 < kBands && above + band_sum[boundary] < goal)
        above += band_sum[boundary++];
    const auto higher = std::partition(entries.begin(), entries.end(),
                                       [&](double p) { return band_of(p, top) < boundary; });
    const auto band_end = std::partition(higher, entries.end(),
                                         [&](double p) { return band_of(p, top) == boundary; });
    sum = above;
    return static_cast<std::size_t>(halve_to_cover(higher, band_end, goal, sum) - entries.begin());
}

// Keeps, in their order, the `take` entries whose probabilities lead
// `chosen` (the probabilities by most_probable_covering): all above the
// least of those and as many equal to it as it took.
void keep_chosen(Collector &out, const std::vector<double> &chosen, std::size_t take) {
    if (take == 0) return out.kept.clear();
    const double least =
        *std::min_element(chosen.begin(), chosen.begin() + static_cast<long>(take));
    auto ties = std::count(chosen.begin(), chosen.begin() + static_cast<long>(take), least);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < out.kept.size(); ++i) {
        const double p = out.kept[i].probability;
        if (p < least || (p == least && ties-- <= 0)) continue;
        out.kept[kept] = out.kept[i];
        if (out.layered) out.layers[kept] = out.layers[i];
        ++kept;
    }
}

// Each layer of the coverage search lowers the threshold by this factor:
// finer layers recount more often, coarser ones overshoot further.
constexpr double kLayer = 1e-1;

// Layers of falling thresholds until the compositions above one cover the
// request; the most probable of that layer make the answer. The first layer
// lies two decades below the share left uncovered: one layer then usually
// suffices, and its overshoot costs less than a second pass.
Outcome by_coverage(const std::vector<GroupModel> &models, const IonAtoms &atoms,
                    const FineRequest &request, FineScratch &scratch, FinePeaks &result,
                    std::size_t &needed) {
    const std::size_t cap = request.max_peaks;
    const double first =
        std::min(std::log(kLayer), std::log1p(-request.value) + 2 * std::log(kLayer));
    for (double log_ratio = first;; log_ratio += std::log(kLayer)) {
        Collector out(cap, cap * kCountingLimit, scratch.kept, scratch.layers);
        const bool complete =
            enumerate(models, log_ratio, request.by_mass, Placement{}, scratch, out);
        if (!complete) return too_many(needed = cap * kCountingLimit + 1, cap, true);
        // Round-off aside, an empty remainder means every composition is in.
        const bool last_layer = out.total >= request.value || log_ratio < -800;
        if (!last_layer) continue;
        double sum = 0;
        std::vector<double> &chosen = scratch.chosen;
        chosen.resize(out.kept.size());
        for (std::size_t i = 0; i < chosen.size(); ++i) chosen[i] = out.kept[i].probability;
        const std::size_t take = most_probable_covering(chosen, request.value, sum);
        if (sum < request.value && out.count > out.kept.size())
            return too_many(needed = cap + 1, cap, true);
        needed = take;
        if (take > cap) return too_many(take, cap, false);
        keep_chosen(out, chosen, take);
        hand_out(atoms, out, take, request.by_mass, scratch.starts, result);
        return Outcome::success();
    }
}

} // namespace

Outcome check_request(const FineRequest &request) {
    const bool threshold = request.mode == FineMode::threshold;
    const bool valid = threshold ? request.value > 0 && request.value <= 1
                                 : request.value > 0 && request.value < 1;
    if (!valid)
        return Outcome::failure(CORVAN_E_ARGUMENT,
                                threshold ? "the fine structure's threshold must lie in (0, 1]"
                                          : "the fine structure's coverage must lie in (0, 1)");
    if (request.max_peaks == 0 || request.max_peaks > (std::size_t{1} << 40))
        return Outcome::failure(CORVAN_E_ARGUMENT, "the peak cap must lie in 1 .. 2^40");
    return Outcome::success();
}

Outcome fine_structure(const IonAtoms &atoms, const FineRequest &request, FinePeaks &result,
                       std::size_t &needed) {
    needed = 0;
    Outcome checked = check_request(request);
    if (!checked.ok()) return checked;
    return with_thread_state<FineScratch>([&](FineScratch &scratch) {
        std::vector<GroupModel> &models = scratch.models;
        models.clear();
        for (const AtomGroup &group : atoms.groups) models.emplace_back(group);
        Outcome listed = request.mode == FineMode::threshold
                             ? by_threshold(models, atoms, request, scratch, result, needed)
                             : by_coverage(models, atoms, request, scratch, result, needed);
        scratch.trim();
        return listed;
    });
}

} // namespace corvan::spectrum
