// The ZIP container of a workbook, written through minizip in raw mode: each
// entry arrives already deflated, with its length and CRC-32 known before it
// is written, so an entry is marked ZIP64 exactly when its sizes need it (and
// minizip adds the ZIP64 records for offsets past 4 GiB by itself).
//
// minizip writes through the functions of this file: they buffer, keep the
// first failure of any write, seek or flush, and make the archive fail even
// where minizip itself does not look at a result.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "corvex/platform/expected.h"
#include "export/xlsx/xlsx_error.h"

namespace corvex::xlsx {

// Why an archive cannot be written into `fd`, or nothing: it must be seekable
// (entries are finished by rewriting their headers) and not open for appending.
std::optional<Error> unusable_output(int fd, const std::string& name);

class ZipArchive {
public:
    // An archive written into `fd` (not owned) from its current offset;
    // `name` names the output in messages. The descriptor must be seekable.
    static Expected<std::unique_ptr<ZipArchive>, Error> open(int fd, std::string name);

    // Without close(): nothing more is written.
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // An entry of `size` bytes whose deflated form (`compressed` bytes, at
    // `level`) follows through write().
    Expected<void, Error> begin_entry(const std::string& entry, std::uint64_t size, std::uint64_t compressed,
                                      int level);
    Expected<void, Error> write(std::span<const unsigned char> deflated);
    Expected<void, Error> end_entry(std::uint64_t size, std::uint32_t crc);

    // Writes the central directory and flushes; returns the archive's length.
    Expected<std::uint64_t, Error> close();

    struct Stream;

private:
    ZipArchive() = default;
    Error failure(const std::string& what) const;

    std::unique_ptr<Stream> stream_;
    void* zip_ = nullptr;
    std::string entry_;
    std::uint64_t entry_compressed_ = 0;
};

}  // namespace corvex::xlsx
