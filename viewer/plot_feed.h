// The plot's data, built while the scan of a log reads it: a block sink that
// makes the envelopes of the log it is handed (data::LogEnvelopes, room for
// Log.Count records of every unit) and appends each block, turned from
// record-major to unit-major. The window hands the envelopes to the plot
// widget and has it take in the records ready as the scan goes on.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "viewer/data/log_envelopes.h"
#include "viewer/work/block_sink.h"

namespace corvex::viewer {

class PlotFeed final : public BlockSink {
public:
    // The envelopes of the log being read or last read; null before a scan
    // began, or when they could not be made (failure() says why).
    std::shared_ptr<const data::LogEnvelopes> envelopes() const;
    std::string failure() const;
    // Forgets the envelopes before another log is read.
    void reset();

    // On the scan's thread.
    void begin(const exporting::HeaderFields& header, const std::vector<exporting::ItemFields>& items) override;
    void add(const exporting::RecordBlock& block) override;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<data::LogEnvelopes> envelopes_;
    std::string failure_;
    data::RecordBlock block_;  // the scan's thread only
};

}  // namespace corvex::viewer
