// Raw deflate in pieces that join into one stream.
//
// A long text (the rows of a sheet) is cut into blocks of a fixed size; each
// block is deflated on its own, on worker threads, with the 32 KiB of text
// before it as its dictionary, and ends on a sync flush: byte-aligned and
// without the final-block bit. The compressed blocks come back in order, so
// that joined they form one valid deflate stream (finished by a last piece
// deflated with deflate_piece(..., last = true)). The bytes depend only on the
// text, the block size and the level, never on the number of threads or on
// their timing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "corvex/platform/expected.h"
#include "export/xlsx/byte_buffer.h"
#include "export/xlsx/xlsx_error.h"

namespace corvex::xlsx {

// Length and CRC-32 of an uncompressed text and the length of its deflated form.
struct DeflatedLength {
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::uint64_t compressed = 0;
};

// Appends `b` (the text that followed `a`) to `a`.
void join(DeflatedLength& a, const DeflatedLength& b);

struct DeflatedPiece {
    std::vector<unsigned char> bytes;
    DeflatedLength length;
};

// Deflates `text` in one piece at `level`: ending on a sync flush, or with
// `last` as the final block of the stream.
Expected<DeflatedPiece, Error> deflate_piece(std::string_view text, int level, bool last);

class BlockDeflater {
public:
    // Receives each compressed block, in order, on the thread that fills the text.
    using Output = std::function<Expected<void, Error>(std::span<const unsigned char>)>;

    // `threads` workers deflate the blocks; with 0 the filling thread does.
    // Fewer workers than asked for start when the system refuses more.
    BlockDeflater(int level, unsigned threads, std::size_t block_size, Output output);
    ~BlockDeflater();
    BlockDeflater(const BlockDeflater&) = delete;
    BlockDeflater& operator=(const BlockDeflater&) = delete;

    // The block being filled. Whoever appends checks full() afterwards.
    ByteBuffer& text() { return *current_text_; }
    bool full() const { return current_text_->size() >= block_size_; }

    // Hands the block being filled to the workers and starts the next one.
    Expected<void, Error> hand_over();

    // Hands over what is left, waits for every block and returns the totals of
    // the run since the previous end_run. The next run starts without a dictionary.
    Expected<DeflatedLength, Error> end_run();

    unsigned workers() const { return static_cast<unsigned>(workers_.size()); }

private:
    struct Job;
    struct Shared;

    Expected<void, Error> retire_oldest();
    std::unique_ptr<Job> take_spare();

    const int level_;
    const std::size_t block_size_;
    std::size_t window_ = 1;  // blocks in flight at most
    Output output_;
    std::unique_ptr<Shared> shared_;
    std::vector<std::thread> workers_;
    std::unique_ptr<Job> current_;
    ByteBuffer* current_text_ = nullptr;  // current_->input
    std::deque<std::unique_ptr<Job>> in_flight_;  // handed over, oldest first
    std::vector<std::unique_ptr<Job>> spare_;
    DeflatedLength run_;
};

}  // namespace corvex::xlsx
