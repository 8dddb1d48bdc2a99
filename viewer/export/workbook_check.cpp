#include "viewer/export/workbook_check.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace corvex::exporting {

namespace {

constexpr std::uint32_t kEndOfDirectory = 0x06054b50;
constexpr std::uint32_t kDirectoryEntry = 0x02014b50;
constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kStored = 0;
constexpr std::size_t kTailKept = 1 << 16;   // far more than one row of 26 cells

std::uint32_t le16(const unsigned char* p) { return static_cast<std::uint32_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct Entry {
    std::uint16_t method = 0;
    std::uint64_t compressed = 0;
    std::uint64_t local_header = 0;
};

bool read_at(std::ifstream& in, std::uint64_t offset, unsigned char* out, std::size_t size) {
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
    return static_cast<std::size_t>(in.gcount()) == size;
}

// The central-directory entry named `name`; sizes that need ZIP64 are not
// looked into (nullopt with `zip64` set).
std::optional<Entry> find_entry(std::ifstream& in, std::uint64_t file_size, const std::string& name, bool& zip64) {
    const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(file_size, 22 + 65535));
    std::vector<unsigned char> end(tail);
    if (tail < 22 || !read_at(in, file_size - tail, end.data(), tail)) return std::nullopt;
    std::size_t at = tail - 22;
    while (le32(&end[at]) != kEndOfDirectory) {
        if (at == 0) return std::nullopt;
        --at;
    }
    const std::uint64_t directory_size = le32(&end[at + 12]);
    const std::uint64_t directory_offset = le32(&end[at + 16]);
    if (directory_offset == 0xFFFFFFFF || directory_size == 0xFFFFFFFF) {
        zip64 = true;
        return std::nullopt;
    }
    if (directory_offset + directory_size > file_size) return std::nullopt;
    std::vector<unsigned char> directory(static_cast<std::size_t>(directory_size));
    if (!read_at(in, directory_offset, directory.data(), directory.size())) return std::nullopt;
    for (std::size_t p = 0; p + 46 <= directory.size();) {
        if (le32(&directory[p]) != kDirectoryEntry) return std::nullopt;
        const std::size_t name_size = le16(&directory[p + 28]);
        const std::size_t extra_size = le16(&directory[p + 30]);
        const std::size_t comment_size = le16(&directory[p + 32]);
        if (p + 46 + name_size > directory.size()) return std::nullopt;
        const std::string_view entry_name(reinterpret_cast<const char*>(&directory[p + 46]), name_size);
        if (entry_name == name) {
            Entry e;
            e.method = static_cast<std::uint16_t>(le16(&directory[p + 10]));
            e.compressed = le32(&directory[p + 20]);
            e.local_header = le32(&directory[p + 42]);
            if (e.compressed == 0xFFFFFFFF || e.local_header == 0xFFFFFFFF) {
                zip64 = true;
                return std::nullopt;
            }
            return e;
        }
        p += 46 + name_size + extra_size + comment_size;
    }
    return std::nullopt;
}

// Inflates the entry, keeping only its last kTailKept bytes.
std::optional<std::string> entry_tail(std::ifstream& in, std::uint64_t file_size, const Entry& e) {
    unsigned char local[30];
    if (!read_at(in, e.local_header, local, sizeof local) || le32(local) != kLocalHeader) return std::nullopt;
    const std::uint64_t data = e.local_header + 30 + le16(&local[26]) + le16(&local[28]);
    if (data + e.compressed > file_size) return std::nullopt;
    in.clear();
    in.seekg(static_cast<std::streamoff>(data));

    std::string tail;
    const auto keep = [&tail](const char* bytes, std::size_t n) {
        tail.append(bytes, n);
        if (tail.size() > 2 * kTailKept) tail.erase(0, tail.size() - kTailKept);
    };
    std::vector<char> input(1 << 16);
    std::vector<char> output(1 << 18);
    std::uint64_t left = e.compressed;
    if (e.method == kStored) {
        while (left > 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, input.size()));
            in.read(input.data(), static_cast<std::streamsize>(n));
            if (static_cast<std::size_t>(in.gcount()) != n) return std::nullopt;
            keep(input.data(), n);
            left -= n;
        }
        return tail;
    }
    if (e.method != kDeflated) return std::nullopt;

    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return std::nullopt;
    const std::unique_ptr<z_stream, int (*)(z_stream*)> cleanup(&z, inflateEnd);
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (z.avail_in == 0) {
            if (left == 0) return std::nullopt;
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, input.size()));
            in.read(input.data(), static_cast<std::streamsize>(n));
            if (static_cast<std::size_t>(in.gcount()) != n) return std::nullopt;
            left -= n;
            z.next_in = reinterpret_cast<Bytef*>(input.data());
            z.avail_in = static_cast<uInt>(n);
        }
        z.next_out = reinterpret_cast<Bytef*>(output.data());
        z.avail_out = static_cast<uInt>(output.size());
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) return std::nullopt;
        keep(output.data(), output.size() - z.avail_out);
    }
    return tail;
}

}  // namespace

std::string check_sheet_ends_with_row(const std::filesystem::path& archive, int sheet_number, std::int64_t last_row) {
    const std::string name = "xl/worksheets/sheet" + std::to_string(sheet_number) + ".xml";
    std::ifstream in(archive, std::ios::binary);
    std::error_code error;
    const std::uint64_t size = std::filesystem::file_size(archive, error);
    if (!in || error) return "the workbook cannot be read back";
    bool zip64 = false;
    const std::optional<Entry> entry = find_entry(in, size, name, zip64);
    if (zip64) return {};  // archives this large are not looked into
    if (!entry) return "the workbook has no readable " + name;
    const std::optional<std::string> tail = entry_tail(in, size, *entry);
    if (!tail) return name + " of the workbook is damaged";

    const std::string row = "<row r=\"" + std::to_string(last_row) + "\"";
    const std::size_t at = tail->rfind(row);
    const std::size_t end = tail->rfind("</row></sheetData>");
    const bool closed = tail->size() >= 12 && tail->compare(tail->size() - 12, 12, "</worksheet>") == 0;
    if (at == std::string::npos || end == std::string::npos || end < at || !closed) {
        return name + " of the workbook lacks rows: its temporary files could not be written in full";
    }
    return {};
}

}  // namespace corvex::exporting
