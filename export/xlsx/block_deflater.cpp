#include "export/xlsx/block_deflater.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <utility>

namespace corvex::xlsx {

namespace {

constexpr std::size_t kWindow = 32 * 1024;  // how far back deflate looks

Error compressor_error(const char* what) {
    return Error{ErrorKind::resource, 0, std::string("Cannot deflate the workbook: ") + what};
}

// A raw deflate stream at one level, reset for each piece.
class Deflater {
public:
    explicit Deflater(int level) {
        ok_ = deflateInit2(&z_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~Deflater() {
        if (ok_) deflateEnd(&z_);
    }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    // Deflates `text` after `dictionary` into `out` (replacing its contents).
    std::optional<Error> run(std::string_view text, std::string_view dictionary, bool last,
                             std::vector<unsigned char>& out) {
        if (!ok_) return compressor_error("zlib could not start");
        if (deflateReset(&z_) != Z_OK) return compressor_error("zlib could not reset");
        if (!dictionary.empty() &&
            deflateSetDictionary(&z_, reinterpret_cast<const Bytef*>(dictionary.data()),
                                 static_cast<uInt>(dictionary.size())) != Z_OK) {
            return compressor_error("zlib refused the dictionary");
        }
        out.resize(deflateBound(&z_, static_cast<uLong>(text.size())) + 16);
        z_.next_in = reinterpret_cast<const Bytef*>(text.data());
        z_.avail_in = static_cast<uInt>(text.size());
        std::size_t written = 0;
        const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
        for (;;) {
            z_.next_out = out.data() + written;
            z_.avail_out = static_cast<uInt>(out.size() - written);
            const int result = deflate(&z_, flush);
            written = out.size() - z_.avail_out;
            if (result == Z_STREAM_ERROR) return compressor_error("zlib stream error");
            const bool done = last ? result == Z_STREAM_END : (z_.avail_in == 0 && z_.avail_out > 0);
            if (done) break;
            out.resize(out.size() + out.size() / 2 + 64);
        }
        out.resize(written);
        return std::nullopt;
    }

private:
    z_stream z_{};
    bool ok_ = false;
};

std::uint32_t crc_of(std::string_view text) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
}

}  // namespace

void join(DeflatedLength& a, const DeflatedLength& b) {
    a.crc = static_cast<std::uint32_t>(crc32_combine(a.crc, b.crc, static_cast<z_off_t>(b.size)));
    a.size += b.size;
    a.compressed += b.compressed;
}

Expected<DeflatedPiece, Error> deflate_piece(std::string_view text, int level, bool last) {
    try {
        Deflater deflater(level);
        DeflatedPiece piece;
        if (auto error = deflater.run(text, {}, last, piece.bytes)) return Unexpected(std::move(*error));
        piece.length = DeflatedLength{crc_of(text), text.size(), piece.bytes.size()};
        return piece;
    } catch (const std::bad_alloc&) {
        return Unexpected(compressor_error("out of memory"));
    }
}

struct BlockDeflater::Job {
    ByteBuffer input;
    std::string dictionary;  // the text before the block, at most 32 KiB
    std::vector<unsigned char> output;
    std::uint32_t crc = 0;
    bool done = false;
    std::optional<Error> error;

    void deflate(Deflater& deflater) {
        try {
            error = deflater.run(input.view(), dictionary, false, output);
            crc = crc_of(input.view());
        } catch (const std::bad_alloc&) {
            error = compressor_error("out of memory");
        }
    }
};

struct BlockDeflater::Shared {
    std::mutex mutex;
    std::condition_variable work;  // a job is waiting, or the workers are to stop
    std::condition_variable done;  // a job is done
    std::deque<Job*> waiting;
    bool stopping = false;
    std::unique_ptr<Deflater> inline_deflater;  // without workers
};

BlockDeflater::BlockDeflater(int level, unsigned threads, std::size_t block_size, Output output)
    : level_(level),
      block_size_(std::max<std::size_t>(block_size, 1)),
      output_(std::move(output)),
      shared_(std::make_unique<Shared>()) {
    // Everything that may throw comes before the first thread starts.
    current_ = take_spare();
    current_text_ = &current_->input;
    workers_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        try {
            workers_.emplace_back([shared = shared_.get(), level] {
                Deflater deflater(level);
                std::unique_lock lock(shared->mutex);
                for (;;) {
                    shared->work.wait(lock, [&] { return shared->stopping || !shared->waiting.empty(); });
                    if (shared->waiting.empty()) return;
                    Job* job = shared->waiting.front();
                    shared->waiting.pop_front();
                    lock.unlock();
                    job->deflate(deflater);
                    lock.lock();
                    job->done = true;
                    shared->done.notify_all();
                }
            });
        } catch (const std::system_error&) {
            break;  // the blocks come out the same with fewer workers
        }
    }
    window_ = 2 * workers_.size() + 1;
    if (workers_.empty()) shared_->inline_deflater = std::make_unique<Deflater>(level_);
}

BlockDeflater::~BlockDeflater() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopping = true;
        shared_->waiting.clear();
    }
    shared_->work.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

std::unique_ptr<BlockDeflater::Job> BlockDeflater::take_spare() {
    std::unique_ptr<Job> job;
    if (spare_.empty()) {
        job = std::make_unique<Job>();
        job->input.reserve(block_size_ + block_size_ / 8 + 4096);
    } else {
        job = std::move(spare_.back());
        spare_.pop_back();
        job->input.clear();
    }
    job->dictionary.clear();
    job->done = false;
    job->error.reset();
    return job;
}

Expected<void, Error> BlockDeflater::hand_over() {
    if (current_->input.empty()) return {};
    std::unique_ptr<Job> next = take_spare();
    const std::string_view text = current_->input.view();
    if (text.size() < kWindow) {
        // A short block: the dictionary reaches back into the text before it.
        const std::string& before = current_->dictionary;
        next->dictionary.assign(before, before.size() - std::min(before.size(), kWindow - text.size()));
    }
    next->dictionary.append(text.substr(text.size() - std::min(text.size(), kWindow)));

    Job* job = current_.get();
    in_flight_.push_back(std::exchange(current_, std::move(next)));
    current_text_ = &current_->input;
    if (workers_.empty()) {
        job->deflate(*shared_->inline_deflater);
        job->done = true;
    } else {
        {
            std::lock_guard lock(shared_->mutex);
            shared_->waiting.push_back(job);
        }
        shared_->work.notify_one();
    }
    while (in_flight_.size() >= window_) {
        if (auto retired = retire_oldest(); !retired) return retired;
    }
    return {};
}

Expected<void, Error> BlockDeflater::retire_oldest() {
    Job& job = *in_flight_.front();
    if (!workers_.empty()) {
        std::unique_lock lock(shared_->mutex);
        shared_->done.wait(lock, [&] { return job.done; });
    }
    std::unique_ptr<Job> finished = std::move(in_flight_.front());
    in_flight_.pop_front();
    if (finished->error) return Unexpected(std::move(*finished->error));
    join(run_, DeflatedLength{finished->crc, finished->input.size(), finished->output.size()});
    auto written = output_(finished->output);
    spare_.push_back(std::move(finished));
    return written;
}

Expected<DeflatedLength, Error> BlockDeflater::end_run() {
    if (auto handed = hand_over(); !handed) return Unexpected(handed.error());
    while (!in_flight_.empty()) {
        if (auto retired = retire_oldest(); !retired) return Unexpected(retired.error());
    }
    current_->dictionary.clear();
    return std::exchange(run_, DeflatedLength{});
}

}  // namespace corvex::xlsx
