// A synthetic log for the plot benchmarks: records one second apart, each
// unit a slow wave with noise, rare spikes, runs of NaN and sparse error words.
#pragma once

#include <cstddef>
#include <memory>

#include "viewer/data/log_envelopes.h"

namespace corvex::bench {

// Fills block after block into new envelopes of `records` records and
// `units` units; null when memory runs out.
std::unique_ptr<viewer::data::LogEnvelopes> synthetic_log(std::size_t records, std::size_t units,
                                                          unsigned fan_out = viewer::data::kDefaultFanOut);

// Fills `block` with records [first, first + count) of the synthetic log.
void synthetic_block(std::size_t first, std::size_t count, std::size_t units, viewer::data::RecordBlock& block);

}  // namespace corvex::bench
