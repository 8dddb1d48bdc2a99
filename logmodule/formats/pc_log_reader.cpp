#include "logmodule/formats/pc_log_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "logmodule/formats/byte_order.h"
#include "logmodule/formats/source_reads.h"

namespace corvex::formats {

namespace {

bool read_i16(ByteSource& source, std::int16_t& out) {
    std::uint8_t b[2];
    if (!read_exact(source, b, sizeof b)) return false;
    out = load_i16_le(b);
    return true;
}

bool read_f64(ByteSource& source, double& out) {
    std::uint8_t b[8];
    if (!read_exact(source, b, sizeof b)) return false;
    out = load_f64_le(b);
    return true;
}

// Text fields are padded with spaces; the reader keeps them with the
// trailing spaces turned into NULs.
template <std::size_t N>
bool read_text(ByteSource& source, std::array<char, N>& out) {
    if (!read_exact(source, out.data(), N)) return false;
    for (std::size_t i = N; i > 0 && out[i - 1] == ' '; --i) out[i - 1] = '\0';
    return true;
}

}  // namespace

std::int32_t PcLogReader::fail() {
    source_.reset();
    file_length_ = 0;
    record_count_ = 0;
    header_ = PcHeader{};
    return -1;
}

std::int32_t PcLogReader::OpenLogFile(const std::string& path) {
    source_.reset();
    path_ = path;
    return OpenByteSource(FileByteSource::open(path));
}

std::int32_t PcLogReader::OpenByteSource(std::unique_ptr<ByteSource> source) {
    source_ = std::move(source);
    header_ = PcHeader{};
    if (!source_) return fail();

    file_length_ = source_->size();
    if (file_length_ < 0 || file_length_ - kCountSubtrahend < 86) return fail();
    if (!source_->seek(0, SeekOrigin::Begin) || !read_header() || !read_items()) return fail();

    // A count beyond 32 bits (a file of more than 463 GB) is held at the
    // largest count the interface can carry.
    const std::int64_t count = (file_length_ - kCountSubtrahend) / kRecordSize;
    if (count < 1) return fail();
    record_count_ = static_cast<std::int32_t>(std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
    return 0;
}

bool PcLogReader::read_header() {
    std::uint8_t sig[2];
    if (!read_exact(*source_, sig, sizeof sig) || load_u16_le(sig) != kSignature) return false;
    CommonHeader& h = header_.common;
    return read_i16(*source_, h.cyclic_flags) && read_i16(*source_, h.error_flags) &&
           read_f64(*source_, h.start_time) && read_f64(*source_, h.end_time) && read_i16(*source_, h.interval);
}

bool PcLogReader::read_items() {
    header_.active_items = 0;
    for (PcItem& item : header_.items) {
        if (!read_text(*source_, item.computer) || !read_text(*source_, item.label) ||
            !read_text(*source_, item.symbol) || !read_i16(*source_, item.comport) ||
            !read_i16(*source_, item.node_id) || !read_i16(*source_, item.channel) ||
            !read_i16(*source_, item.unit_type))
            return false;
        if (item.unit_type == -1) break;  // end marker: its width, decimal and later slots are not read
        if (!read_i16(*source_, item.width) || !read_i16(*source_, item.decimal)) return false;
        if (item.unit_type != 0) ++header_.active_items;
    }
    return true;
}

namespace {
template <std::size_t N>
std::string field_text(const std::array<char, N>& field) {
    return std::string(field.data(), static_cast<std::size_t>(std::find(field.begin(), field.end(), '\0') - field.begin()));
}
}  // namespace

LogHeader PcLogReader::log_header() const {
    LogHeader h;
    h.common = header_.common;
    h.values = ValueEncoding::Double;
    const int count = std::clamp(header_.active_items, 0, kChannelSlots);
    h.channels.reserve(static_cast<std::size_t>(count));
    // Channel k is item slot k, also when an earlier slot is not in use.
    for (int k = 0; k < count; ++k) {
        const PcItem& item = header_.items[static_cast<std::size_t>(k)];
        ChannelEntry c;
        c.channel = item.channel;
        c.unit_type = item.unit_type;
        c.computer = field_text(item.computer);
        c.label = field_text(item.label);
        c.symbol = field_text(item.symbol);
        c.comport = item.comport;
        c.node_id = item.node_id;
        c.width = item.width;
        c.decimal = item.decimal;
        h.channels.push_back(std::move(c));
    }
    return h;
}

bool PcLogReader::Rewind() { return source_ && source_->seek(kDataStart, SeekOrigin::Begin); }

bool PcLogReader::SeekLast() {
    if (!source_) return false;
    if (record_count_ == 0) return Rewind();
    return source_->seek(kDataStart + kRecordSize * (record_count_ - 1), SeekOrigin::Begin);
}

std::int32_t PcLogReader::SeekRecords(std::int32_t n, std::int32_t whence) {
    if (!source_) return -1;
    const std::int64_t step = kRecordSize * n;
    bool moved = false;
    switch (whence) {
    case 0:
        moved = source_->seek(kDataStart + step, SeekOrigin::Begin);
        break;
    case 1:
        moved = source_->seek(step, SeekOrigin::Current);
        break;
    case 2:
        // Counted from the end of the file, so a negative n steps back.
        if (n >= record_count_) return -1;
        moved = source_->seek(step, SeekOrigin::End);
        break;
    default:
        return -1;
    }
    return moved ? 0 : -1;
}

bool PcLogReader::ReadRecord(double* time, void* values, std::int16_t* errors, const std::int32_t* channels) {
    if (!source_) return false;
    const std::int64_t record_start = source_->tell();
    const std::int32_t* list = channels ? channels : kDefaultChannels;

    // The whole record in one read; an entry counts only when it arrived whole.
    std::uint8_t record[kRecordSize];
    const std::size_t got = source_->read(record, sizeof record);

    auto* value_place = static_cast<std::uint8_t*>(values);
    std::int16_t* error_place = errors;
    bool ok = true;

    // Every entry carries its own time; the record's time is that of the last
    // entry read. At most one entry per slot is read, whatever the list holds,
    // so the caller's twelve value places are never overrun.
    for (int taken = 0; taken < kChannelSlots; ++taken) {
        const std::int32_t c = list[taken];
        if (c < 0 || c >= kChannelSlots) break;
        const auto at = static_cast<std::size_t>(kEntrySize * c);
        if (at + kEntrySize > got) {
            ok = false;
            break;
        }
        const std::uint8_t* entry = record + at;
        if (time) *time = load_f64_le(entry);
        if (value_place) {
            const double v = load_f64_le(entry + 8);
            std::memcpy(value_place, &v, sizeof v);
            value_place += sizeof v;
        }
        if (error_place) *error_place++ = load_i16_le(entry + 16);
    }
    source_->seek(record_start + kRecordSize, SeekOrigin::Begin);
    return ok;
}

std::int32_t PcLogReader::ReadRecords(std::int32_t count, const RecordRun& run) {
    if (!source_ || count <= 0 || run.units < 0 || run.units > kChannelSlots) return 0;
    const auto units = static_cast<std::size_t>(run.units);
    // ReadRecord refuses only a record cut short, so every whole one is taken.
    const auto decode = [&](const std::uint8_t* bytes, std::size_t whole, std::size_t index) {
        for (std::size_t i = 0; i < whole; ++i, ++index) {
            const std::uint8_t* record = bytes + i * kRecordSize;
            // The record's time is that of its last entry.
            if (run.times) run.times[index] = load_f64_le(record + kEntrySize * (kChannelSlots - 1));
            double* values = run.values ? run.values + index * units : nullptr;
            std::int16_t* errors = run.errors ? run.errors + index * units : nullptr;
            for (std::size_t k = 0; k < units; ++k) {
                const std::uint8_t* entry = record + kEntrySize * k;
                if (values) values[k] = load_f64_le(entry + 8);
                if (errors) errors[k] = load_i16_le(entry + 16);
            }
        }
        return whole;
    };
    const auto read_one = [&](std::size_t index) {
        double time = 0;
        alignas(double) std::uint8_t values[kChannelSlots * sizeof(double)]{};
        std::int16_t errors[kErrorPlaces]{};
        if (!ReadRecord(&time, values, errors, nullptr)) return false;
        put_read_record(run, index, time, values, ValueEncoding::Double, errors);
        return true;
    };
    return read_record_run(*source_, run_buffer_, kRecordSize, count, decode, read_one);
}

}  // namespace corvex::formats
