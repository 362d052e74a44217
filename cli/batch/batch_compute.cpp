// Worker threads that compute every (molecule, engine) pair of a batch.
#include "batch/batch_compute.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "batch/progress.hpp"
#include "corvan.h"

namespace cli {

namespace {

// The library reports some failures as messages; in a batch they would
// land in the middle of the results, and the status column already says
// which calls failed, so each worker thread drops them.
extern "C" void drop_message(const char *, int, void *) {}

void compute_task(const BatchPlan &plan, std::size_t task, BatchResults &results) {
    const std::size_t engines = plan.engines.size();
    const BatchItem &item = plan.items[task / engines];
    const Engine &engine = *plan.engines[task % engines];
    float *out = results.values.data() + task * plan.points;
    // An engine that would leave the modifications out gives no row for
    // a modified sequence: the row says failed.
    if (!plan.by_mass && !engine.takes_modifications &&
        item.sequence.find('[') != std::string::npos) {
        results.peaks[task] = -1.0f;
        return;
    }
    results.peaks[task] =
        plan.by_mass ? engine.by_mass(out, plan.points, 0, static_cast<float>(item.given_mass))
                     : engine.by_sequence(item.sequence.c_str(), out, plan.points, 0);
}

// Tasks are taken in runs: a tryptic peptide takes a microsecond or two, so
// one shared counter per task would cost about as much as the task, and
// neighbouring threads would keep writing into the same cache lines.
constexpr std::size_t kTasksPerRun = 64;

struct alignas(64) Counter {
    std::atomic<std::size_t> value{0};
};

void work(const BatchPlan &plan, BatchResults &results, Counter &next, Counter &done) {
    corvan_set_message_handler(drop_message, nullptr);
    const std::size_t total = results.peaks.size();
    for (std::size_t first; (first = next.value.fetch_add(kTasksPerRun)) < total;) {
        const std::size_t end = std::min(first + kTasksPerRun, total);
        for (std::size_t task = first; task < end; ++task) compute_task(plan, task, results);
        done.value.fetch_add(end - first, std::memory_order_relaxed);
    }
}

} // namespace

BatchResults run_batch_plan(const BatchPlan &plan) {
    const std::size_t total = plan.items.size() * plan.engines.size();
    BatchResults results;
    results.peaks.assign(total, -1.0f);
    results.values.assign(total * plan.points, 0.0f);
    Counter next, done;
    ProgressBar progress(total);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int i = 0; i < plan.threads; ++i)
        workers.emplace_back([&] { work(plan, results, next, done); });
    while (progress.visible() && done.value.load() < total) {
        progress.show(done.value.load());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (std::thread &worker : workers) worker.join();
    results.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    progress.finish();
    return results;
}

} // namespace cli
