// The one way bytes reach the log readers: a seekable source with the
// semantics of a buffered binary file stream. A read may deliver fewer bytes
// than asked for (at the end of the data); a seek may go past the end (the
// next read then delivers nothing) but never before the start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace corvex::formats {

enum class SeekOrigin { Begin, Current, End };

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Copies up to `size` bytes from the position to `out` and moves the
    // position on by the number delivered, which is returned.
    virtual std::size_t read(void* out, std::size_t size) = 0;
    // Moves the position; false (position unchanged) when the target would lie
    // before the start or cannot be represented.
    virtual bool seek(std::int64_t offset, SeekOrigin origin) = 0;
    virtual std::int64_t tell() const = 0;
    // Current length of the data in bytes, or -1 when it cannot be found.
    virtual std::int64_t size() = 0;

    ByteSource() = default;
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

protected:
    // Target of a seek, or -1 when it would be negative or overflow.
    static std::int64_t seek_target(std::int64_t base, std::int64_t offset);
};

// A file read through a fixed-size buffer, with 64-bit offsets. The file is
// never read whole: memory use does not depend on its length.
class FileByteSource final : public ByteSource {
public:
    // Opens a regular file for reading; nullptr when it cannot be opened.
    static std::unique_ptr<FileByteSource> open(const std::string& path);
    ~FileByteSource() override;

    std::size_t read(void* out, std::size_t size) override;
    bool seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t tell() const override { return position_; }
    std::int64_t size() override;

    static constexpr std::size_t kBufferSize = 64 * 1024;

private:
    explicit FileByteSource(int fd);
    bool fill(std::int64_t at);

    int fd_;
    std::int64_t position_ = 0;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::int64_t buffer_start_ = 0;  // file offset of buffer_[0]
    std::size_t buffer_length_ = 0;  // valid bytes in buffer_
};

// Bytes in memory, for fuzzers and tests. Borrows the bytes (they must
// outlive the source) or owns a copy.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    explicit MemoryByteSource(std::string owned);

    std::size_t read(void* out, std::size_t size) override;
    bool seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t tell() const override { return position_; }
    std::int64_t size() override { return static_cast<std::int64_t>(bytes_.size()); }

private:
    std::string owned_;
    std::span<const std::uint8_t> bytes_;
    std::int64_t position_ = 0;
};

}  // namespace corvex::formats
