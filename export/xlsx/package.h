// A workbook package (an Office Open XML spreadsheet, .xlsx), written as a
// stream in constant memory however many rows it holds.
//
//     auto package = xlsx::Package::create(path);        // or create(fd)
//     xlsx::Sheet& info = **package->add_sheet("Log Info");
//     info.begin_row(0);
//     info.text(0, "Log Name", xlsx::Style::bold);
//     ...
//     if (auto ended = info.end_row(); !ended) ...
//     xlsx::Sheet& data = **package->add_sheet("Log Data");   // info takes no more rows
//     package->set_active(data);
//     ...
//     auto summary = package->finish();                     // the archive is complete
//
// The rows of each sheet are deflated in blocks on worker threads while the
// caller writes the next ones, and wait, compressed, in an unnamed temporary
// file until finish() writes the archive: the parts in a fixed order, the
// sheets last. The bytes of the package depend only on what was written and
// the options, never on the locale, the time zone or the number of threads.
// Nothing throws; every failure comes back as an Error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/platform/expected.h"
#include "export/xlsx/sheet.h"
#include "export/xlsx/xlsx_error.h"

namespace corvex::xlsx {

struct Options {
    // Creation and modification time, in seconds since 1970-01-01 UTC. Unset:
    // SOURCE_DATE_EPOCH when it holds a positive number, otherwise now.
    std::optional<std::int64_t> created;
    // zlib compression level of every part, 1 (fastest) to 9 (smallest).
    int compression_level = 1;
    // Threads that deflate sheet data besides the caller's (at most 16);
    // unset: one per processor; 0: the caller's thread does it all.
    std::optional<unsigned> threads;
    // Bytes of sheet XML per deflate block.
    std::size_t block_size = 512 * 1024;
    // Where the temporary file goes; empty: the folder of the path given to
    // create(), or $TMPDIR (else /tmp) for a descriptor.
    std::filesystem::path temporary_folder;
};

struct PartSummary {
    std::string name;            // "xl/worksheets/sheet1.xml"
    std::uint64_t size = 0;      // uncompressed bytes
    std::uint64_t compressed = 0;
    std::uint32_t crc = 0;       // CRC-32 of the uncompressed bytes
};

struct SheetSummary {
    std::string name;
    std::uint64_t rows = 0;      // rows holding a cell or a row style
    std::uint64_t cells = 0;
};

struct Summary {
    std::vector<PartSummary> parts;    // in archive order
    std::vector<SheetSummary> sheets;  // in workbook order
    std::uint64_t archive_size = 0;
};

class Package {
public:
    // Creates (or truncates) the file at `path`. A package that fails or is
    // given up before finish() removes the file again.
    static Expected<Package, Error> create(const std::filesystem::path& path, Options options = {});
    // Writes into `fd` from its current offset (ZIP offsets count from the
    // file's start). The descriptor stays the caller's: it must be seekable and
    // is neither synced nor closed; after finish() its offset is the archive's end.
    static Expected<Package, Error> create(int fd, Options options = {});

    Package(Package&& other) noexcept;
    Package& operator=(Package&& other) noexcept;
    ~Package();

    // A new, empty sheet after the others. The sheet before takes no more rows.
    // Names: 1 to 31 characters, none of : \ / ? * [ ], not beginning or
    // ending with an apostrophe, unique regardless of case; a name refused
    // fails this call only. Any other failure, of this call or of a sheet's,
    // is the package's: every later call reports it.
    Expected<Sheet*, Error> add_sheet(std::string_view name);

    // The sheet shown when the workbook opens; the first one unless set.
    void set_active(const Sheet& sheet);

    // Writes the archive. Afterwards the package takes no more calls.
    Expected<Summary, Error> finish();

private:
    struct State;
    explicit Package(std::unique_ptr<State> state);

    std::unique_ptr<State> state_;
};

}  // namespace corvex::xlsx
