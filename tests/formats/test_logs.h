// Shared helpers of the log-format tests.
#pragma once

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "logmodule/formats/byte_source.h"
#include "tests/support/scratch_dir.h"
#include "tools/logwriter/log_writer.h"

namespace corvex::formats::testing {

// A test name from a row's description: letters and digits kept, the rest '_'.
inline std::string name_of(const char* what) {
    std::string name;
    for (const char* p = what; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
}

// Name generator for parameterised tests whose rows have a `what`.
struct NameFromWhat {
    template <class Info>
    std::string operator()(const Info& row) const {
        return name_of(row.param.what);
    }
};

inline std::vector<std::uint8_t> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

inline std::vector<std::uint8_t> build(const logwriter::LogDescription& desc) { return bytes_of(logwriter::build_log(desc)); }

// A memory source over `bytes` whose position the test can watch while a
// reader owns it.
struct WatchedSource {
    std::unique_ptr<MemoryByteSource> owned;
    MemoryByteSource* watch;
    explicit WatchedSource(std::span<const std::uint8_t> bytes)
        : owned(std::make_unique<MemoryByteSource>(bytes)), watch(owned.get()) {}
};

using TempDir = corvex::testing::ScratchDir;

// SeekRecords(n, whence) from the byte position `start`: its result and the position after it.
struct SeekCase {
    friend void PrintTo(const SeekCase& c, std::ostream* os) { *os << c.n << " from " << c.whence << " at " << c.start; }
    std::int32_t n, whence;
    std::int64_t start;
    std::int32_t result;
    std::int64_t position;
};

// Little-endian store done by hand, independent of the code under test.
inline void poke_le64(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace corvex::formats::testing
