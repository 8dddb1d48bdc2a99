// Reading, formatting and writing a log's records as a pipeline: blocks are
// read in order on the calling thread, formatted into text on worker threads,
// and written on the calling thread in the order they were read, so the bytes
// are those of doing it all in turn on one thread.
#pragma once

#include <functional>
#include <string>

#include "export/record_source.h"

namespace corvex::exporting {

struct PipelineStages {
    // Fills the next block; false when there is none. Calling thread.
    std::function<bool(RecordBlock& block)> read;
    // Appends the block's text to `text` (empty on entry). Runs on worker
    // `worker` (0 .. workers-1): state kept per worker needs no lock.
    std::function<void(int worker, const RecordBlock& block, std::string& text)> format;
    // Takes the block's text, in reading order; false stops the pipeline.
    // Calling thread.
    std::function<bool(const RecordBlock& block, const std::string& text)> write;
};

// Runs the stages with `workers` formatting threads (0: everything on the
// calling thread). Returns false when `write` stopped it. Every worker has
// finished when it returns.
bool run_ordered_pipeline(int workers, const PipelineStages& stages);

// The workers worth starting for a pipeline on this machine: one per core.
int pipeline_workers();

}  // namespace corvex::exporting
