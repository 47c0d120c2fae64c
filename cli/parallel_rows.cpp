#include "parallel_rows.h"

#include <tbb/global_control.h>
#include <tbb/info.h>
#include <tbb/parallel_pipeline.h>
#include <tbb/task_arena.h>

#include <algorithm>

namespace hopscale::cli {

std::size_t chunkSlots(std::size_t jobs) { return std::max<std::size_t>(jobs, 1) * 4; }

std::size_t availableCores() {
    return static_cast<std::size_t>(std::max(1, tbb::info::default_concurrency()));
}

void runInOrder(std::size_t jobs, const ChunkStages& stages) {
    jobs = std::max<std::size_t>(jobs, 1);
    if (jobs == 1) {
        while (stages.read(0)) {
            stages.evaluate(0);
            stages.write(0);
        }
        return;
    }
    const std::size_t slots = chunkSlots(jobs);
    // Tokens leave the last (in-order) stage in the order they entered, and at most `slots`
    // are alive: when chunk n is read, chunk n - slots has been written, so the buffers can
    // be taken round robin.
    std::size_t next = 0;
    // More jobs than cores is allowed (TBB would otherwise cap the arena, with a warning).
    tbb::global_control allowed(tbb::global_control::max_allowed_parallelism, jobs);
    tbb::task_arena arena(static_cast<int>(jobs));
    arena.execute([&] {
        tbb::parallel_pipeline(
            slots,
            tbb::make_filter<void, std::size_t>(tbb::filter_mode::serial_in_order,
                                                [&](tbb::flow_control& control) -> std::size_t {
                                                    const std::size_t slot = next++ % slots;
                                                    if (!stages.read(slot)) control.stop();
                                                    return slot;
                                                }) &
                tbb::make_filter<std::size_t, std::size_t>(tbb::filter_mode::parallel,
                                                           [&](std::size_t slot) {
                                                               stages.evaluate(slot);
                                                               return slot;
                                                           }) &
                tbb::make_filter<std::size_t, void>(tbb::filter_mode::serial_in_order,
                                                    [&](std::size_t slot) { stages.write(slot); }));
    });
}

}  // namespace hopscale::cli
