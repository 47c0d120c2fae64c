// Rows evaluated on several cores and handed out in input order: the engine of `batch` and
// `network`. The work is cut into chunks of rows; one stage reads the next chunk (in input
// order, one at a time), one evaluates chunks (several at once, each on one core), one writes
// them (in input order, one at a time). At most `slots` chunks are alive at any time, so
// memory stays flat however long the input is.
//
// The caller owns `slots` chunk buffers and is told which one each stage works on: a buffer
// is handed to `read` again only after `write` has finished with it, so its capacity is reused
// from chunk to chunk. The scheduling is TBB's (tbb::parallel_pipeline inside an arena of
// `jobs` threads); with one job the three stages run in turn on the calling thread.
#pragma once

#include <cstddef>
#include <functional>

namespace hopscale::cli {

struct ChunkStages {
    // Fills buffer `slot` with the next chunk; false when the input is done (the buffer is
    // then not evaluated nor written).
    std::function<bool(std::size_t slot)> read;
    // Evaluates the chunk in buffer `slot`; runs for several buffers at once.
    std::function<void(std::size_t slot)> evaluate;
    // Writes the chunk in buffer `slot`; called in the order the chunks were read.
    std::function<void(std::size_t slot)> write;
};

// The number of buffers runInOrder needs for `jobs` (enough to keep every core busy while
// one chunk waits to be written).
std::size_t chunkSlots(std::size_t jobs);

// Runs the stages over the whole input with at most `jobs` evaluations at once (1 or more).
// An exception from a stage stops the run and is thrown again here.
void runInOrder(std::size_t jobs, const ChunkStages& stages);

// The number of cores this process may use (at least 1): the default of --jobs.
std::size_t availableCores();

}  // namespace hopscale::cli
