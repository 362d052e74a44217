// The aggregated isotope distribution of a composition with the mean mass
// of every point, on a grid chosen so that nothing wraps around.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "labels/isotope_label.hpp"
#include "molecule/composition.hpp"
#include "molecule/outcome.hpp"

namespace corvan::envelope {

struct Envelope {
    int first_neutrons = 0;     // k of shares[0]
    std::vector<double> shares; // contiguous points; below CORVAN_ACCURACY set to 0
    std::vector<double> masses; // mean mass of each point's atoms; NaN where the share is 0
    double monoisotopic_mass = 0;
    double average_mass = 0;
    bool summed_directly = false; // made by the direct sum, not the transform
};

// The two routes to the points (route_choice.hpp). `chosen` takes the one
// estimated cheaper; the others exist for tests and measurements, and fall
// back to the transform where the direct sum cannot serve.
enum class Route { chosen, direct, transform };

// The distribution of `molecule`, whose atoms of natural abundance carry
// the labels, plus `carriers` (an adduct's atoms, may be null), whose atoms
// keep natural abundance. Points are numbered from the monoisotopic
// composition (every natural atom its element's most abundant isotope
// after the labels), so first_neutrons may be negative.
// Fails with CORVAN_E_LABEL for a label of an element the molecule has no
// natural atoms of, CORVAN_E_RANGE for natural atoms below zero,
// CORVAN_E_UNSUPPORTED for an element without a natural composition or a
// fractional count of one whose lightest isotope is not the most abundant,
// CORVAN_E_TOO_WIDE and CORVAN_E_MEMORY.
Outcome compute(const chem::Composition &molecule, const chem::Composition *carriers,
                const labels::LabelSet &labels, Envelope &result);

// What a run of many molecules computed with one label set can share: the
// elements' patterns, working arrays and roots of unity of the grids met so
// far. One thread at a time; results equal those of compute() above.
class Workspace {
  public:
    explicit Workspace(const labels::LabelSet &labels); // copies the labels
    ~Workspace();
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    void set_route(Route route); // Route::chosen unless set

    struct State;

  private:
    friend Outcome compute(const chem::Composition &, const chem::Composition *, Workspace &,
                           Envelope &);
    std::unique_ptr<State> state_;
};

// compute() above with the workspace's labels, reusing its state. Failures
// as there; a working array that cannot grow gives CORVAN_E_MEMORY.
Outcome compute(const chem::Composition &molecule, const chem::Composition *carriers,
                Workspace &workspace, Envelope &result);

// Monoisotopic and (labelled) average mass of the molecule alone; the
// failures of compute() about labels and elements.
Outcome masses(const chem::Composition &molecule, const labels::LabelSet &labels,
               double &monoisotopic, double &average);

struct NeutralMasses {
    double monoisotopic = 0, average = 0;
};

// Where a computation puts its points instead of the Envelope's arrays, so
// that they go straight to their final place: asked once, when their number
// is known, for room for that many shares and masses (written in order of
// k, from first_neutrons). False when there is none: the computation then
// fails with CORVAN_E_MEMORY.
class PointRoom {
  public:
    virtual bool make(std::size_t points, double *&shares, double *&masses) = 0;

  protected:
    ~PointRoom() = default;
};

// compute() above with the points in `room` (result's shares and masses
// left as they are), then masses() of `neutral` (the molecule before an
// ion's carriers were added and lost) in the same call, on the same thread
// state.
Outcome compute(const chem::Composition &molecule, const chem::Composition *carriers,
                const labels::LabelSet &labels, const chem::Composition &neutral, PointRoom &room,
                Envelope &result, NeutralMasses &masses);

} // namespace corvan::envelope
