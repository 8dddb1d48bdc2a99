#include "tools/logwriter/log_writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <limits>
#include <stdexcept>

namespace corvex::logwriter {

namespace {

constexpr std::size_t kSlots = 12;
constexpr std::size_t kPcHeader = 24;
constexpr std::size_t kPcItem = 84;
constexpr std::size_t kPcDataStart = kPcHeader + kSlots * kPcItem;
constexpr std::size_t kEntry = 18;

// Appends the `bytes` low-order bytes of `v`, most significant first when big.
void put(std::string& out, std::uint64_t v, int bytes, bool big) {
    for (int i = 0; i < bytes; ++i) {
        const int shift = 8 * (big ? bytes - 1 - i : i);
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
}
void put16(std::string& out, std::int16_t v, bool big) { put(out, static_cast<std::uint16_t>(v), 2, big); }
void put_double(std::string& out, double v, bool big) { put(out, std::bit_cast<std::uint64_t>(v), 8, big); }

void put_text(std::string& out, const std::string& text, std::size_t width) {
    const std::string cut = text.substr(0, std::min(text.size(), width));
    out += cut;
    out.append(width - cut.size(), ' ');
}

template <class T>
T at_or_zero(const std::vector<T>& v, std::size_t i) {
    return i < v.size() ? v[i] : T{};
}

template <class I>
I saturate(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::nearbyint(v);
    if (r <= static_cast<double>(std::numeric_limits<I>::min())) return std::numeric_limits<I>::min();
    if (r >= static_cast<double>(std::numeric_limits<I>::max())) return std::numeric_limits<I>::max();
    return static_cast<I>(r);
}

int width_of(std::uint8_t type_code) { return type_code == 2 ? 2 : type_code == 5 ? 8 : 4; }

// A meter value at the type code's width: 2 a 16-bit integer, 3 a 32-bit
// integer, 5 a double, every other code a single-precision float.
void put_meter_value(std::string& out, std::uint8_t type_code, double v) {
    switch (type_code) {
    case 2:
        put(out, static_cast<std::uint16_t>(saturate<std::int16_t>(v)), 2, true);
        break;
    case 3:
        put(out, static_cast<std::uint32_t>(saturate<std::int32_t>(v)), 4, true);
        break;
    case 5:
        put_double(out, v, true);
        break;
    default:
        put(out, std::bit_cast<std::uint32_t>(static_cast<float>(v)), 4, true);
        break;
    }
}

std::size_t pc_items(const LogDescription& desc) { return std::min(desc.channels.size(), kSlots); }

void build_pc(const LogDescription& desc, std::string& out) {
    const bool converted = desc.format == Format::Converted;
    put(out, converted ? 0x5BB5 : 0x5AA5, 2, false);
    put16(out, desc.cyclic_flags, false);
    put16(out, desc.error_flags, false);
    put_double(out, desc.start_time, false);
    put_double(out, desc.end_time, false);
    put16(out, desc.interval, false);

    for (std::size_t i = 0; i < kSlots; ++i) {
        if (i < pc_items(desc)) {
            const Channel& c = desc.channels[i];
            put_text(out, c.computer, 32);
            put_text(out, c.label, 32);
            put_text(out, c.symbol, 8);
            for (std::int16_t v : {c.comport, c.node_id, c.channel, c.unit_type, c.width, c.decimal}) put16(out, v, false);
        } else {
            // End marker: all zero but the unit type 0xFFFF.
            out.append(78, '\0');
            put16(out, -1, false);
            out.append(4, '\0');
        }
    }

    const std::size_t entries = converted ? pc_items(desc) : kSlots;
    for (const Record& r : desc.records) {
        for (std::size_t k = 0; k < entries; ++k) {
            put_double(out, r.time, false);
            put_double(out, at_or_zero(r.values, k), false);
            put16(out, at_or_zero(r.errors, k), false);
        }
    }
}

void build_meter(const LogDescription& desc, std::string& out) {
    const bool compact = desc.format == Format::CompactMeter;
    if (compact) {
        out.push_back(static_cast<char>(0xA5));
        out.push_back(static_cast<char>(desc.type_code));
    } else {
        const std::size_t lead = static_cast<std::size_t>(std::max(desc.header_offset, 0)) + 2;
        std::string pre = desc.preamble.substr(0, std::min(desc.preamble.size(), lead));
        pre.resize(lead, '\0');
        out += pre;
        out.push_back(static_cast<char>(0xA6));
        out.push_back(static_cast<char>(desc.type_code));
    }
    put16(out, desc.cyclic_flags, true);
    put16(out, desc.error_flags, true);
    put_double(out, desc.start_time, true);
    put_double(out, desc.end_time, true);
    put16(out, desc.interval, true);
    for (std::size_t i = 0; i < kSlots; ++i) {
        const Channel c = at_or_zero(desc.channels, i);
        put16(out, c.channel, true);
        put16(out, c.unit_type, true);
        if (!compact) put16(out, c.input, true);
    }

    const auto n = static_cast<std::size_t>(record_value_slots(desc));
    const bool detailed = (desc.error_flags & 0x1000) != 0;
    const bool basic = (desc.error_flags & 0x2000) != 0;
    for (const Record& r : desc.records) {
        put_double(out, r.time, true);
        for (std::size_t k = 0; k < n; ++k) {
            put_meter_value(out, desc.type_code, at_or_zero(r.values, k));
            if (detailed) put16(out, at_or_zero(r.errors, k), true);
        }
        if (basic) put16(out, r.record_error, true);
    }
}

}  // namespace

int record_value_slots(const LogDescription& desc) {
    int n = 0;
    for (std::size_t i = 0; i < std::min(desc.channels.size(), kSlots); ++i) {
        if (desc.channels[i].unit_type != 0)
            ++n;
        else if (desc.format == Format::Meter)
            break;
    }
    return n;
}

std::size_t record_bytes(const LogDescription& desc) {
    switch (desc.format) {
    case Format::Pc:
        return kSlots * kEntry;
    case Format::Converted:
        return pc_items(desc) * kEntry;
    case Format::Meter:
    case Format::CompactMeter:
        break;
    }
    const int w = width_of(desc.type_code) + ((desc.error_flags & 0x1000) != 0 ? 2 : 0);
    return static_cast<std::size_t>(8 + record_value_slots(desc) * w + ((desc.error_flags & 0x2000) != 0 ? 2 : 0));
}

std::size_t data_start(const LogDescription& desc) {
    switch (desc.format) {
    case Format::Pc:
    case Format::Converted:
        return kPcDataStart;
    case Format::CompactMeter:
        return 72;
    case Format::Meter:
        break;
    }
    return static_cast<std::size_t>(std::max(desc.header_offset, 0)) + 98;
}

std::string build_log(const LogDescription& desc) {
    std::string out;
    if (desc.format == Format::Pc || desc.format == Format::Converted)
        build_pc(desc, out);
    else
        build_meter(desc, out);
    out += desc.trailing_bytes;
    if (desc.truncate_to && *desc.truncate_to < out.size()) out.resize(*desc.truncate_to);
    return out;
}

void write_log(const std::filesystem::path& path, const LogDescription& desc) {
    const std::string bytes = build_log(desc);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) throw std::runtime_error("cannot create " + path.string());
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace corvex::logwriter
