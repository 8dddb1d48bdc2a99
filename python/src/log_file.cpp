#include "python/src/log_file.h"

#include <algorithm>
#include <limits>

#include "corvex/platform/bstr.h"
#include "corvex/platform/text.h"
#include "python/src/module_access.h"

namespace corvex::python {

namespace {

std::string source_failure(const exporting::SourceError& e) {
    if (e.what == exporting::SourceError::What::UnitCount)
        return "the log module reports " + std::to_string(e.index) + " units";
    std::string call = e.call;
    if (e.what == exporting::SourceError::What::Item) call += " of item " + std::to_string(e.index);
    return "reading " + call + " failed: " + status_text(e.status);
}

bool all_units_in_order(std::span<const std::int32_t> units, std::int32_t item_count) {
    if (static_cast<std::int32_t>(units.size()) != item_count) return false;
    for (std::size_t k = 0; k < units.size(); ++k)
        if (units[k] != static_cast<std::int32_t>(k)) return false;
    return true;
}

// Copies the block's records into the request's buffers from record `at` on:
// whole rows when the request takes every unit in order, else unit by unit.
void copy_block(const exporting::RecordBlock& block, const ReadRequest& rq, std::int32_t at) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    const std::size_t chosen = rq.units.size();
    const std::size_t n = static_cast<std::size_t>(block.count);
    const std::size_t offset = static_cast<std::size_t>(at);
    if (rq.times) {
        if (block.has_time()) std::copy_n(block.times.data(), n, rq.times + offset);
        else std::fill_n(rq.times + offset, n, kNaN);
    }
    if (chosen == 0) return;
    const bool whole_rows = all_units_in_order(rq.units, block.units);
    if (rq.values) {
        double* into = rq.values + offset * chosen;
        if (whole_rows && block.missing.empty()) {
            std::copy_n(block.values.data(), n * chosen, into);
        } else {
            for (std::int32_t i = 0; i < block.count; ++i)
                for (const std::int32_t u : rq.units) *into++ = block.has_value(i, u) ? block.value(i, u) : kNaN;
        }
    }
    if (rq.errors) {
        std::int16_t* into = rq.errors + offset * chosen;
        if (whole_rows) {
            std::copy_n(block.errors.data(), n * chosen, into);
        } else {
            for (std::int32_t i = 0; i < block.count; ++i)
                for (const std::int32_t u : rq.units) *into++ = block.error(i, u);
        }
    }
}

}  // namespace

Expected<std::unique_ptr<LogFile>, std::string> LogFile::open(const std::string& path) {
    const std::string shown = text::path_display_text(path);
    auto log = create_module_object<ILog>(CLSID_Log, "Corvex.Log");
    if (!log) return Unexpected{log.error()};

    if (auto refused = exporting::open_log_file(log->get(), path, status_text))
        return Unexpected{shown + ": " + *refused};

    auto source = exporting::RecordSource::open(log->get());
    if (!source) return Unexpected{shown + ": " + source_failure(source.error())};

    std::unique_ptr<LogFile> file(new LogFile);
    file->header_ = source->header();
    file->items_ = source->items();
    file->format_ = exporting::describe_format(log->get());
    file->source_.emplace(std::move(source).value());
    file->log_ = std::move(*log);
    return file;
}

ReadOutcome LogFile::read(const ReadRequest& rq) {
    std::lock_guard lock(mutex_);
    ReadOutcome out;
    if (!source_) {
        out.closed = true;
        return out;
    }
    std::int32_t done = 0;
    while (done < rq.count) {
        const std::int32_t wanted = std::min(exporting::kRecordsPerRun, rq.count - done);
        source_->read(rq.first + done, wanted, block_);
        copy_block(block_, rq, done);
        done += block_.count;
        if (block_.count < wanted) {
            out.unreadable_record = rq.first + done;
            break;
        }
        if (done < rq.count && rq.between_blocks && !rq.between_blocks()) {
            out.interrupted = true;
            break;
        }
    }
    out.delivered = done;
    return out;
}

std::optional<Expected<exporting::ExportOutcome, exporting::ExportError>> LogFile::export_to(
    const exporting::ExportFormat& format, const exporting::ExportOptions& options, const std::string& path) {
    std::lock_guard lock(mutex_);
    if (!log_) return std::nullopt;
    return format.run(log_.get(), options, path, {});
}

void LogFile::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    source_.reset();
    log_.reset();
    block_ = {};
}

}  // namespace corvex::python
