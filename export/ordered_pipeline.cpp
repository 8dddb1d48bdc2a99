#include "export/ordered_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace corvex::exporting {

namespace {

struct Slot {
    RecordBlock block;
    std::string text;
    bool formatted = false;
};

}  // namespace

int pipeline_workers() { return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u)); }

bool run_ordered_pipeline(int workers, const PipelineStages& stages) {
    if (workers <= 0) {
        RecordBlock block;
        std::string text;
        while (stages.read(block)) {
            text.clear();
            stages.format(0, block, text);
            if (!stages.write(block, text)) return false;
        }
        return true;
    }

    // Two blocks per worker in flight keeps every worker busy while the
    // calling thread writes; memory stays a few blocks whatever the log's size.
    const std::size_t depth = static_cast<std::size_t>(workers) * 2 + 1;
    std::vector<Slot> slots(depth);
    std::mutex mutex;
    std::condition_variable work_ready, block_formatted;
    std::deque<std::size_t> queue;  // slot numbers waiting for a worker
    bool closing = false;

    std::vector<std::jthread> threads;
    threads.reserve(static_cast<std::size_t>(workers));
    for (int w = 0; w < workers; ++w) {
        threads.emplace_back([&, w] {
            for (;;) {
                std::size_t slot = 0;
                {
                    std::unique_lock lock(mutex);
                    work_ready.wait(lock, [&] { return closing || !queue.empty(); });
                    if (queue.empty()) return;
                    slot = queue.front();
                    queue.pop_front();
                }
                Slot& s = slots[slot];
                s.text.clear();
                stages.format(w, s.block, s.text);
                {
                    const std::lock_guard lock(mutex);
                    s.formatted = true;
                }
                block_formatted.notify_all();
            }
        });
    }

    std::size_t read_count = 0, written_count = 0;
    bool more = true, ok = true;
    while (ok) {
        while (more && read_count - written_count < depth) {
            Slot& s = slots[read_count % depth];
            if (!stages.read(s.block)) {
                more = false;
                break;
            }
            {
                const std::lock_guard lock(mutex);
                s.formatted = false;
                queue.push_back(read_count % depth);
            }
            work_ready.notify_one();
            ++read_count;
        }
        if (written_count == read_count) break;
        Slot& s = slots[written_count % depth];
        {
            std::unique_lock lock(mutex);
            block_formatted.wait(lock, [&] { return s.formatted; });
        }
        ok = stages.write(s.block, s.text);
        ++written_count;
    }

    {
        const std::lock_guard lock(mutex);
        closing = true;
        queue.clear();  // blocks not yet started are dropped; those started finish
    }
    work_ready.notify_all();
    threads.clear();  // joins
    return ok;
}

}  // namespace corvex::exporting
