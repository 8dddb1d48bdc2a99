#include "viewer/records/block_cache.h"

#include <algorithm>

namespace corvex::viewer {

BlockCache::Found BlockCache::find(std::int32_t record) {
    if (record < 0 || record >= record_count_) return {};
    const std::int32_t first = record - record % kBlockRecords;
    auto at = std::find_if(blocks_.begin(), blocks_.end(), [first](const exporting::RecordBlock& b) { return b.first == first; });
    if (at != blocks_.end()) {
        blocks_.splice(blocks_.begin(), blocks_, at);
    } else {
        // The least recently used block's storage is reused.
        if (blocks_.size() >= kBlocksKept) blocks_.splice(blocks_.begin(), blocks_, std::prev(blocks_.end()));
        else blocks_.emplace_front();
        const std::int32_t wanted = std::min(kBlockRecords, record_count_ - first);
        reader_(first, wanted, blocks_.front());
        blocks_.front().first = first;
        records_read_ += wanted;
    }
    const exporting::RecordBlock& block = blocks_.front();
    const std::int32_t index = record - first;
    if (index >= block.count) return {};
    return {&block, index};
}

}  // namespace corvex::viewer
