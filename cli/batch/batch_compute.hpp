// Running every (molecule, engine) pair of a batch on worker threads.
#pragma once

#include <cstddef>
#include <vector>

#include "batch/batch_items.hpp"
#include "commands/molecules.hpp"

namespace cli {

struct BatchPlan {
    const Molecule *molecule = nullptr;
    std::vector<BatchItem> items;
    std::vector<const Engine *> engines;
    bool by_mass = false; // the list file's masses instead of the sequences
    int points = 16;
    int threads = 1;
};

// Task t is molecule t / engines, engine t % engines; its `points` values
// start at values[t * points]. peaks[t] < 0 marks a failed call.
struct BatchResults {
    std::vector<float> peaks;
    std::vector<float> values;
    double seconds = 0; // wall time of the calculations alone
};

BatchResults run_batch_plan(const BatchPlan &plan);

} // namespace cli
