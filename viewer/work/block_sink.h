// Something that takes the records of a log block by block as the scan of the
// log reads them: the plot's envelopes are built this way while the window
// goes on. Called on the scan's thread, in this order: begin, then add for
// each block in record order; how the scan ended is the scan's outcome.
#pragma once

#include <vector>

#include "export/record_source.h"

namespace corvex::viewer {

class BlockSink {
public:
    virtual ~BlockSink() = default;

    // The log's header and items, before any block.
    virtual void begin(const exporting::HeaderFields& header, const std::vector<exporting::ItemFields>& items) = 0;
    // The next block of records.
    virtual void add(const exporting::RecordBlock& block) = 0;
};

}  // namespace corvex::viewer
