// Records read on demand, in small blocks, for a view that shows a few rows
// of a log of any length: only the blocks holding rows asked for are read,
// and the most recently used are kept.
#pragma once

#include <cstdint>
#include <functional>
#include <list>

#include "export/record_source.h"

namespace corvex::viewer {

// Reads records first .. first + wanted - 1 into the block, as
// RecordSource::read does (fewer when a record cannot be read).
using BlockReader = std::function<void(std::int32_t first, std::int32_t wanted, exporting::RecordBlock& block)>;

class BlockCache {
public:
    static constexpr std::int32_t kBlockRecords = 64;
    static constexpr std::size_t kBlocksKept = 48;

    BlockCache(BlockReader reader, std::int32_t record_count) : reader_(std::move(reader)), record_count_(record_count) {}

    struct Found {
        const exporting::RecordBlock* block = nullptr;  // null: record out of range or unreadable
        std::int32_t index = 0;                         // the record's place in the block
    };
    // The block holding `record`, read on first use.
    Found find(std::int32_t record);

    std::int32_t record_count() const { return record_count_; }
    // Records asked of the reader so far.
    std::int64_t records_read() const { return records_read_; }

private:
    BlockReader reader_;
    std::int32_t record_count_;
    std::int64_t records_read_ = 0;
    std::list<exporting::RecordBlock> blocks_;  // most recently used first
};

}  // namespace corvex::viewer
