#include "export/xlsx/package.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <new>
#include <thread>
#include <utility>

#include "export/xlsx/block_deflater.h"
#include "export/xlsx/package_parts.h"
#include "export/xlsx/sheet_name.h"
#include "export/xlsx/spool_file.h"
#include "export/xlsx/zip_archive.h"

namespace corvex::xlsx {

namespace {

constexpr std::size_t kMaxBlockSize = std::size_t{1} << 30;
// Each worker keeps about two blocks in flight; more workers than this would
// only add memory.
constexpr unsigned kMaxThreads = 16;

Error usage(std::string message) { return Error{ErrorKind::usage, 0, std::move(message)}; }

// SOURCE_DATE_EPOCH when it holds a positive number of seconds, so that the
// same data give the same file; otherwise now.
std::int64_t creation_time(const std::optional<std::int64_t>& chosen) {
    if (chosen) return *chosen;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (errno == 0 && end && *end == '\0' && seconds > 0) return seconds;
    }
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::filesystem::path temporary_folder_for_descriptor() {
    const char* tmpdir = std::getenv("TMPDIR");
    return tmpdir && *tmpdir ? std::filesystem::path(tmpdir) : std::filesystem::path("/tmp");
}

}  // namespace

struct Package::State {
    struct SheetRecord {
        std::unique_ptr<Sheet> sheet;
        std::uint64_t spool_offset = 0;
        DeflatedLength data;
    };

    Options options;
    std::int64_t created = 0;
    int fd = -1;
    bool owns_fd = false;
    std::filesystem::path path;  // the file create() made, removed unless finished
    std::string output_name;     // for messages
    std::optional<SpoolFile> spool;
    std::unique_ptr<BlockDeflater> deflater;
    std::vector<SheetRecord> sheets;
    std::size_t active = 0;
    std::optional<Error> error;
    bool finished = false;

    ~State() {
        deflater.reset();
        if (owns_fd && fd >= 0) ::close(fd);
        if (!finished && !path.empty()) ::unlink(path.c_str());
    }

    Expected<void, Error> start() {
        if (options.compression_level < 0 || options.compression_level > 9) {
            return Unexpected(usage("The compression level must lie between 0 and 9"));
        }
        if (options.block_size == 0 || options.block_size > kMaxBlockSize) {
            return Unexpected(usage("The deflate block size must lie between 1 byte and 1 GiB"));
        }
        created = creation_time(options.created);
        auto made = SpoolFile::create(options.temporary_folder);
        if (!made) return Unexpected(made.error());
        spool.emplace(std::move(made).value());
        const unsigned threads = std::min(
            kMaxThreads, options.threads ? *options.threads : std::max(1u, std::thread::hardware_concurrency()));
        deflater = std::make_unique<BlockDeflater>(options.compression_level, threads, options.block_size,
                                                   [this](std::span<const unsigned char> block) {
                                                       return spool->append(block);
                                                   });
        return {};
    }

    // Keeps the first failure; returns it.
    const Error& fail(Error e) {
        if (!error) error = std::move(e);
        return *error;
    }

    // Ends the rows of the last sheet and collects its deflated data.
    Expected<void, Error> end_sheet() {
        if (sheets.empty()) return {};
        SheetRecord& last = sheets.back();
        if (last.sheet->finished_) return {};
        last.sheet->finish_rows();
        if (error) return Unexpected(*error);
        auto run = deflater->end_run();
        if (!run) return Unexpected(fail(run.error()));
        last.data = *run;
        return {};
    }

    // One entry of the archive: `write` hands over its deflated bytes.
    template <class Write>
    static Expected<PartSummary, Error> write_entry(ZipArchive& zip, const std::string& name,
                                                    const DeflatedLength& length, int level, Write write) {
        if (auto begun = zip.begin_entry(name, length.size, length.compressed, level); !begun) {
            return Unexpected(begun.error());
        }
        if (auto written = write(); !written) return Unexpected(written.error());
        if (auto ended = zip.end_entry(length.size, length.crc); !ended) return Unexpected(ended.error());
        return PartSummary{name, length.size, length.compressed, length.crc};
    }

    Expected<PartSummary, Error> write_part(ZipArchive& zip, const std::string& name, std::string_view text) {
        auto piece = deflate_piece(text, options.compression_level, true);
        if (!piece) return Unexpected(piece.error());
        return write_entry(zip, name, piece->length, options.compression_level,
                           [&] { return zip.write(piece->bytes); });
    }

    // A sheet's part: its head, the rows from the spool, its tail.
    Expected<PartSummary, Error> write_sheet(ZipArchive& zip, std::size_t index) {
        const SheetRecord& record = sheets[index];
        const Sheet& sheet = *record.sheet;
        auto head = deflate_piece(worksheet_head({sheet.dimension(), index == active, sheet.widths_}),
                                  options.compression_level, false);
        if (!head) return Unexpected(head.error());
        auto tail = deflate_piece(worksheet_tail(), options.compression_level, true);
        if (!tail) return Unexpected(tail.error());
        DeflatedLength length = head->length;
        join(length, record.data);
        join(length, tail->length);
        return write_entry(zip, worksheet_part_name(index), length, options.compression_level,
                           [&]() -> Expected<void, Error> {
                               if (auto written = zip.write(head->bytes); !written) return written;
                               auto copied = spool->read(record.spool_offset, record.data.compressed,
                                                         [&zip](std::span<const unsigned char> piece) {
                                                             return zip.write(piece);
                                                         });
                               if (!copied) return copied;
                               return zip.write(tail->bytes);
                           });
    }

    Expected<Summary, Error> write_archive() {
        std::vector<std::string> names;
        for (const SheetRecord& record : sheets) names.push_back(record.sheet->name());
        const std::pair<std::string, std::string> parts[] = {
            {"[Content_Types].xml", content_types_part(names.size())},
            {"_rels/.rels", package_relationships_part()},
            {"docProps/app.xml", app_properties_part(names)},
            {"docProps/core.xml", core_properties_part(created)},
            {"xl/workbook.xml", workbook_part(names, active)},
            {"xl/_rels/workbook.xml.rels", workbook_relationships_part(names.size())},
            {"xl/styles.xml", styles_part()},
        };

        const off_t start = ::lseek(fd, 0, SEEK_CUR);
        auto opened = ZipArchive::open(fd, output_name);
        if (!opened) return Unexpected(opened.error());
        ZipArchive& zip = **opened;
        Summary summary;
        for (const auto& [name, text] : parts) {
            auto part = write_part(zip, name, text);
            if (!part) return Unexpected(part.error());
            summary.parts.push_back(std::move(*part));
        }
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            auto part = write_sheet(zip, i);
            if (!part) return Unexpected(part.error());
            summary.parts.push_back(std::move(*part));
            const Sheet& sheet = *sheets[i].sheet;
            summary.sheets.push_back(SheetSummary{sheet.name(), sheet.rows(), sheet.cells()});
        }
        auto end = zip.close();
        if (!end) return Unexpected(end.error());
        summary.archive_size = *end - static_cast<std::uint64_t>(start);
        return summary;
    }
};

Package::Package(std::unique_ptr<State> state) : state_(std::move(state)) {}
Package::Package(Package&& other) noexcept = default;
Package& Package::operator=(Package&& other) noexcept = default;
Package::~Package() = default;

Expected<Package, Error> Package::create(const std::filesystem::path& path, Options options) {
    try {
        auto state = std::make_unique<State>();
        state->output_name = path.string();
        if (options.temporary_folder.empty()) {
            options.temporary_folder = path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
        }
        state->options = std::move(options);
        state->fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (state->fd < 0) return Unexpected(io_error(errno, "create '" + path.string() + "'"));
        state->owns_fd = true;
        state->path = path;
        if (auto started = state->start(); !started) return Unexpected(started.error());
        return Package(std::move(state));
    } catch (const std::bad_alloc&) {
        return Unexpected(Error{ErrorKind::resource, 0, "Out of memory while creating '" + path.string() + "'"});
    }
}

Expected<Package, Error> Package::create(int fd, Options options) {
    try {
        auto state = std::make_unique<State>();
        state->output_name = "the workbook file";
        if (options.temporary_folder.empty()) options.temporary_folder = temporary_folder_for_descriptor();
        state->options = std::move(options);
        state->fd = fd;
        if (auto problem = unusable_output(fd, state->output_name)) return Unexpected(std::move(*problem));
        if (auto started = state->start(); !started) return Unexpected(started.error());
        return Package(std::move(state));
    } catch (const std::bad_alloc&) {
        return Unexpected(Error{ErrorKind::resource, 0, "Out of memory while creating the workbook"});
    }
}

Expected<Sheet*, Error> Package::add_sheet(std::string_view name) {
    State& s = *state_;
    if (s.error) return Unexpected(*s.error);
    if (s.finished) return Unexpected(usage("The workbook is finished"));
    try {
        if (auto problem = sheet_name_problem(name)) return Unexpected(usage(std::move(*problem)));
        for (const State::SheetRecord& record : s.sheets) {
            if (same_sheet_name(record.sheet->name(), name)) {
                return Unexpected(usage("The workbook already has a sheet named '" + record.sheet->name() + "'"));
            }
        }
        if (auto ended = s.end_sheet(); !ended) return Unexpected(ended.error());
        State::SheetRecord record;
        record.sheet.reset(new Sheet(std::string(name), *s.deflater, s.error));
        record.spool_offset = s.spool->size();
        s.sheets.push_back(std::move(record));
        return s.sheets.back().sheet.get();
    } catch (const std::bad_alloc&) {
        return Unexpected(s.fail(Error{ErrorKind::resource, 0, "Out of memory while adding a sheet"}));
    }
}

void Package::set_active(const Sheet& sheet) {
    State& s = *state_;
    for (std::size_t i = 0; i < s.sheets.size(); ++i) {
        if (s.sheets[i].sheet.get() == &sheet) {
            s.active = i;
            return;
        }
    }
    if (!s.error) s.error = usage("The sheet '" + sheet.name() + "' is not one of this workbook's");
}

Expected<Summary, Error> Package::finish() {
    State& s = *state_;
    if (s.error) return Unexpected(*s.error);
    if (s.finished) return Unexpected(usage("The workbook is finished"));
    if (s.sheets.empty()) return Unexpected(usage("A workbook needs at least one sheet"));
    try {
        if (auto ended = s.end_sheet(); !ended) return Unexpected(ended.error());
        s.deflater.reset();  // the workers are done
        for (State::SheetRecord& record : s.sheets) record.sheet->sealed_ = true;
        auto summary = s.write_archive();
        if (!summary) return Unexpected(s.fail(summary.error()));
        if (s.owns_fd && ::close(std::exchange(s.fd, -1)) != 0) {
            return Unexpected(s.fail(io_error(errno, "write '" + s.output_name + "'")));
        }
        s.finished = true;
        return summary;
    } catch (const std::bad_alloc&) {
        return Unexpected(s.fail(Error{ErrorKind::resource, 0, "Out of memory while writing the workbook"}));
    }
}

}  // namespace corvex::xlsx
