#include "logmodule/formats/meter_family_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <vector>

#include "logmodule/formats/byte_order.h"
#include "logmodule/formats/source_reads.h"

namespace corvex::formats {

namespace {

std::int32_t clamp_to_int32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, std::numeric_limits<std::int32_t>::max()));
}

// Where ReadRecord's value and error places 0 to 11 come from in one record
// read with the default channel list: a byte offset in the record, or -1 for
// a place that ReadRecord leaves alone (it then holds 0).
struct RecordPlaces {
    std::array<int, kChannelSlots> value_at{};
    std::array<int, kChannelSlots> error_at{};
};

RecordPlaces record_places(int channels, int width, bool detailed, bool basic, int record_size) {
    RecordPlaces p;
    const int stride = width + (detailed ? 2 : 0);
    // The record's word follows any channel words, and fills as many places as
    // channels were selected (at least one).
    const int record_word_from = detailed ? channels : 0;
    const int record_word_to = record_word_from + std::max(channels, 1);
    for (int k = 0; k < kChannelSlots; ++k) {
        const auto place = static_cast<std::size_t>(k);
        p.value_at[place] = k < channels ? 8 + k * stride : -1;
        if (detailed && k < channels)
            p.error_at[place] = 8 + k * stride + width;
        else if (basic && k >= record_word_from && k < record_word_to)
            p.error_at[place] = record_size - 2;
        else
            p.error_at[place] = -1;
    }
    return p;
}

// One big-endian value of type T, widened to a double as widen() does.
template <class T>
double widen_big_endian(const std::uint8_t* p) {
    if constexpr (sizeof(T) == 2) {
        return static_cast<double>(std::bit_cast<T>(load_u16_be(p)));
    } else if constexpr (sizeof(T) == 4) {
        return static_cast<double>(std::bit_cast<T>(load_u32_be(p)));
    } else {
        return std::bit_cast<T>(load_u64_be(p));
    }
}

// Decodes whole records until one whose time is 0.0: the end mark, which
// ReadRecord refuses.
template <class T>
std::size_t decode_records(const std::uint8_t* bytes, std::size_t whole, std::size_t index, std::size_t record_size,
                           const RecordPlaces& places, const RecordRun& run) {
    const auto units = static_cast<std::size_t>(run.units);
    for (std::size_t i = 0; i < whole; ++i, ++index) {
        const std::uint8_t* record = bytes + i * record_size;
        const double time = load_f64_be(record);
        if (time == 0.0) return i;
        if (run.times) run.times[index] = time;
        if (run.values) {
            double* values = run.values + index * units;
            for (std::size_t k = 0; k < units; ++k) {
                const int at = places.value_at[k];
                values[k] = at < 0 ? 0.0 : widen_big_endian<T>(record + at);
            }
        }
        if (run.errors) {
            std::int16_t* errors = run.errors + index * units;
            for (std::size_t k = 0; k < units; ++k) {
                const int at = places.error_at[k];
                errors[k] = at < 0 ? std::int16_t{0} : load_i16_be(record + at);
            }
        }
    }
    return whole;
}

}  // namespace

LogHeader MeterFamilyReader::log_header() const {
    // Meter logs record no computer, port or node: every channel is the
    // meter's. Width and decimals are fixed, not the catalogue's.
    LogHeader h;
    h.common = header_.common;
    h.values = meter_value_encoding(header_.type_code);
    const int count = header_.active_channels();
    h.channels.reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const MeterDescriptor& d = header_.descriptors[static_cast<std::size_t>(k)];
        ChannelEntry c;
        c.channel = d.channel;
        c.unit_type = d.unit_type;
        c.input = d.input;
        c.computer = "RZ417";
        c.named_by_unit_type = true;
        c.width = 12;
        c.decimal = 4;
        h.channels.push_back(std::move(c));
    }
    return h;
}

MeterFamilyReader::MeterFamilyReader(std::int32_t header_offset, std::int64_t header_size)
    : header_offset_(header_offset), header_size_(header_size) {}

std::int32_t MeterFamilyReader::reset(std::int32_t result) {
    source_.reset();
    path_.clear();
    record_size_ = 0;
    value_channels_ = 0;
    end_index_ = 0;
    header_ = MeterHeader{};
    return result;
}

std::int32_t MeterFamilyReader::OpenLogFile(const std::string& path) {
    source_.reset();
    const std::int32_t result = OpenByteSource(FileByteSource::open(path));
    if (result == kOpenOk) path_ = path;
    return result;
}

std::int32_t MeterFamilyReader::OpenByteSource(std::unique_ptr<ByteSource> source) {
    reset(kOpenOk);
    source_ = std::move(source);
    if (!source_) return reset(kCannotOpen);

    std::vector<std::uint8_t> raw(static_cast<std::size_t>(header_size_));
    if (!source_->seek(header_offset_, SeekOrigin::Begin) || !read_exact(*source_, raw.data(), raw.size()))
        return reset(kHeaderCutShort);
    if (!decode_header(raw, header_)) return reset(kBadSignature);

    value_channels_ = count_value_channels(header_);
    const bool detailed = (header_.common.error_flags & kDetailedErrors) != 0;
    const bool basic = (header_.common.error_flags & kBasicErrors) != 0;
    const int w = encoded_width(meter_value_encoding(header_.type_code));
    record_size_ = static_cast<std::uint16_t>(8 + value_channels_ * (w + (detailed ? 2 : 0)) + (basic ? 2 : 0));

    // Whole records after the data start, worked out once: the origin of
    // SeekRecords from the end.
    const std::int64_t length = source_->size();
    end_index_ = length > data_start() ? clamp_to_int32((length - data_start()) / record_size_) : 0;
    return kOpenOk;
}

bool MeterFamilyReader::skip(std::int64_t bytes) { return source_->seek(bytes, SeekOrigin::Current); }

bool MeterFamilyReader::Rewind() { return source_ && source_->seek(data_start(), SeekOrigin::Begin); }

std::int32_t MeterFamilyReader::RecordCount() {
    if (!source_) return 0;
    // A record counts when its 8-byte time can be read and is not 0.0. The
    // values and error words are skipped by seeking, so a final record cut
    // short after its time still counts; only a compact meter log whose records
    // end in a record error word reads that word, which must then be whole.
    // (Log.Item then cannot read such a cut record: exporters report it.)
    const std::int64_t saved = source_->tell();
    const std::int64_t length = source_->size();
    const bool needs_record_word =
        counts_record_error_word() && (header_.common.error_flags & kBasicErrors) != 0;
    std::int64_t count = 0;
    while (count < std::numeric_limits<std::int32_t>::max()) {
        const std::int64_t start = data_start() + count * record_size_;
        std::uint8_t t[8];
        if (!source_->seek(start, SeekOrigin::Begin) || !read_exact(*source_, t, sizeof t) || load_f64_be(t) == 0.0)
            break;
        if (needs_record_word && start + record_size_ > length) break;
        ++count;
    }
    source_->seek(saved, SeekOrigin::Begin);
    return static_cast<std::int32_t>(count);
}

bool MeterFamilyReader::SeekLast() {
    if (!source_) return false;
    const std::int32_t count = RecordCount();
    if (count == 0) return Rewind();
    return source_->seek(data_start() + std::int64_t{record_size_} * (count - 1), SeekOrigin::Begin);
}

std::int32_t MeterFamilyReader::SeekRecords(std::int32_t n, std::int32_t whence) {
    if (!source_) return 0;
    // The result is the number of records asked for, not the outcome of the
    // seek: a position past the end simply makes the next read fail.
    const std::int64_t step = std::int64_t{n} * record_size_;
    switch (whence) {
    case 0:
        Rewind();
        break;
    case 1:
        break;
    case 2:
        source_->seek(data_start() + std::int64_t{end_index_} * record_size_, SeekOrigin::Begin);
        // From the end a positive n steps back.
        if (step != 0) source_->seek(-step, SeekOrigin::Current);
        return step != 0 ? n : 0;
    default:
        return 0;
    }
    if (step == 0) return 0;
    source_->seek(step, SeekOrigin::Current);
    return n;
}

bool MeterFamilyReader::ReadRecord(double* time, void* values, std::int16_t* errors, const std::int32_t* channels) {
    if (!source_) return false;
    std::uint8_t head[8];
    if (!read_exact(*source_, head, sizeof head)) return false;
    const double t = load_f64_be(head);
    if (t == 0.0) {
        // The end mark: the position moves past the time and 8 bytes more.
        skip(8);
        return false;
    }
    if (time) *time = t;

    // The rest of the record in one read. A field that is wanted must have
    // arrived whole; one that is not is passed over even beyond the end.
    const std::int64_t body_start = source_->tell();
    const std::size_t body_size = std::size_t{record_size_} - sizeof head;
    std::uint8_t body[kChannelSlots * (8 + 2) + 2];
    const std::size_t got = source_->read(body, body_size);
    std::size_t at = 0;
    const auto take = [&](std::size_t n) -> const std::uint8_t* {
        if (at + n > got) return nullptr;
        at += n;
        return body + at - n;
    };

    const bool detailed = (header_.common.error_flags & kDetailedErrors) != 0;
    const bool basic = (header_.common.error_flags & kBasicErrors) != 0;
    const auto w = static_cast<std::size_t>(encoded_width(meter_value_encoding(header_.type_code)));
    const std::int32_t* list = channels ? channels : kDefaultChannels;
    auto* value_place = static_cast<std::uint8_t*>(values);
    int error_place = 0;
    int selected = 0;  // channels met before the list ran out
    bool ok = true;

    for (int i = 0; ok && i < value_channels_; ++i) {
        const std::int32_t c = *list;
        if (c >= 0) ++selected;
        if (c != i) {
            at += w + (detailed ? 2 : 0);
            continue;
        }
        ++list;
        if (!value_place) {
            at += w;
        } else if (const std::uint8_t* p = take(w)) {
            big_endian_to_machine(p, value_place, static_cast<int>(w));
            value_place += w;
        } else {
            ok = false;
            break;
        }
        if (!detailed) continue;
        if (!errors) {
            at += 2;
        } else if (const std::uint8_t* p = take(2)) {
            errors[error_place++] = load_i16_be(p);
        } else {
            ok = false;
        }
    }

    if (ok && basic) {
        if (!errors) {
            at += 2;
        } else if (const std::uint8_t* p = take(2)) {
            // Without per-channel words the record's word is every selected
            // channel's error; with them it follows the channel words.
            const std::int16_t word = load_i16_be(p);
            const int last = std::min(error_place + std::max(selected, 1), kErrorPlaces);
            for (int e = error_place; e < last; ++e) errors[e] = word;
        } else {
            ok = false;
        }
    }
    // Where reading field by field would have left the position: past every
    // field passed over, or at the end of the data where a wanted one ran out.
    source_->seek(body_start + static_cast<std::int64_t>(std::max(at, got)), SeekOrigin::Begin);
    return ok;
}

std::int32_t MeterFamilyReader::ReadRecords(std::int32_t count, const RecordRun& run) {
    if (!source_ || count <= 0 || run.units < 0 || run.units > kChannelSlots) return 0;
    const ValueEncoding encoding = meter_value_encoding(header_.type_code);
    const RecordPlaces places =
        record_places(value_channels_, encoded_width(encoding), (header_.common.error_flags & kDetailedErrors) != 0,
                      (header_.common.error_flags & kBasicErrors) != 0, record_size_);
    const std::size_t size = record_size_;
    const auto decode = [&](const std::uint8_t* bytes, std::size_t whole, std::size_t index) -> std::size_t {
        switch (encoding) {
        case ValueEncoding::Int16:
            return decode_records<std::int16_t>(bytes, whole, index, size, places, run);
        case ValueEncoding::Int32:
            return decode_records<std::int32_t>(bytes, whole, index, size, places, run);
        case ValueEncoding::Float:
            return decode_records<float>(bytes, whole, index, size, places, run);
        case ValueEncoding::Double:
            break;
        }
        return decode_records<double>(bytes, whole, index, size, places, run);
    };
    const auto read_one = [&](std::size_t index) {
        double time = 0;
        alignas(double) std::uint8_t values[kChannelSlots * sizeof(double)]{};
        std::int16_t errors[kErrorPlaces]{};
        if (!ReadRecord(&time, values, errors, nullptr)) return false;
        put_read_record(run, index, time, values, encoding, errors);
        return true;
    };
    return read_record_run(*source_, run_buffer_, size, count, decode, read_one);
}

}  // namespace corvex::formats
