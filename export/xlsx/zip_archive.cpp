#include "export/xlsx/zip_archive.h"

#include <fcntl.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace corvex::xlsx {

namespace {

constexpr std::size_t kBuffer = 1 << 20;
// 1980-01-01 00:00:00, the earliest DOS date: entries carry no time of their
// own, so that the same workbook gives the same bytes.
constexpr uLong kDosDate = 0x0021'0000;
constexpr std::uint64_t kZip32Limit = 0xFFFF'FFFF;

}  // namespace

// The output as minizip sees it: a position, a write buffer, the first error.
struct ZipArchive::Stream {
    int fd = -1;
    std::string name;
    std::uint64_t buffer_at = 0;  // file offset of buffer[0]
    std::uint64_t end = 0;        // the furthest offset written
    std::vector<unsigned char> buffer;
    int error = 0;                // errno of the first failure
    bool discard = false;         // abandoned: accept and drop everything
    std::uint64_t entry_bytes = 0;

    std::uint64_t tell() const { return buffer_at + buffer.size(); }

    bool put(const unsigned char* data, std::size_t n, std::uint64_t at) {
        while (n > 0) {
            const ssize_t written = ::pwrite(fd, data, n, static_cast<off_t>(at));
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                if (!error) error = written < 0 ? errno : EIO;
                return false;
            }
            data += written;
            n -= static_cast<std::size_t>(written);
            at += static_cast<std::uint64_t>(written);
        }
        end = std::max(end, at);
        return true;
    }

    bool flush() {
        if (error) return false;
        const bool ok = buffer.empty() || put(buffer.data(), buffer.size(), buffer_at);
        buffer_at += buffer.size();
        buffer.clear();
        return ok;
    }

    uLong write(const void* data, uLong size) {
        if (discard) return size;
        if (error) return 0;
        const auto* bytes = static_cast<const unsigned char*>(data);
        if (buffer.size() + size > kBuffer) {
            if (!flush()) return 0;
            if (size >= kBuffer) {
                if (!put(bytes, size, buffer_at)) return 0;
                buffer_at += size;
                return size;
            }
        }
        buffer.insert(buffer.end(), bytes, bytes + size);
        return size;
    }

    long seek(std::uint64_t offset, int origin) {
        if (discard) return 0;
        if (!flush()) return -1;
        switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET: buffer_at = offset; break;
        case ZLIB_FILEFUNC_SEEK_CUR: buffer_at += offset; break;
        case ZLIB_FILEFUNC_SEEK_END: buffer_at = end + offset; break;
        default: error = EINVAL; return -1;
        }
        return 0;
    }
};

namespace {

ZipArchive::Stream& as_stream(voidpf stream) { return *static_cast<ZipArchive::Stream*>(stream); }

voidpf stream_open(voidpf opaque, const void*, int) { return opaque; }
uLong stream_read(voidpf, voidpf, void*, uLong) { return 0; }
uLong stream_write(voidpf, voidpf stream, const void* data, uLong size) { return as_stream(stream).write(data, size); }
ZPOS64_T stream_tell(voidpf, voidpf stream) { return as_stream(stream).tell(); }
long stream_seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) { return as_stream(stream).seek(offset, origin); }
int stream_close(voidpf, voidpf stream) {
    ZipArchive::Stream& s = as_stream(stream);
    return s.discard || s.flush() ? 0 : -1;
}
int stream_error(voidpf, voidpf stream) { return as_stream(stream).error != 0; }

}  // namespace

std::optional<Error> unusable_output(int fd, const std::string& name) {
    if (::lseek(fd, 0, SEEK_CUR) < 0) {
        return Error{ErrorKind::usage, errno, "Cannot write '" + name + "': a workbook needs a seekable file"};
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return io_error(errno, "write '" + name + "'");
    if ((flags & O_APPEND) != 0) {
        return Error{ErrorKind::usage, 0, "Cannot write '" + name + "': the file is open for appending only"};
    }
    return std::nullopt;
}

Expected<std::unique_ptr<ZipArchive>, Error> ZipArchive::open(int fd, std::string name) {
    if (auto problem = unusable_output(fd, name)) return Unexpected(std::move(*problem));
    const off_t start = ::lseek(fd, 0, SEEK_CUR);
    std::unique_ptr<ZipArchive> archive(new ZipArchive);
    archive->stream_ = std::make_unique<Stream>();
    Stream& stream = *archive->stream_;
    stream.fd = fd;
    stream.name = std::move(name);
    stream.buffer_at = stream.end = static_cast<std::uint64_t>(start);
    stream.buffer.reserve(kBuffer);

    zlib_filefunc64_def functions{};
    functions.zopen64_file = stream_open;
    functions.zread_file = stream_read;
    functions.zwrite_file = stream_write;
    functions.ztell64_file = stream_tell;
    functions.zseek64_file = stream_seek;
    functions.zclose_file = stream_close;
    functions.zerror_file = stream_error;
    functions.opaque = &stream;
    archive->zip_ = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &functions);
    if (!archive->zip_) return Unexpected(archive->failure("start the archive"));
    return archive;
}

ZipArchive::~ZipArchive() {
    if (zip_) {
        stream_->discard = true;
        zipClose(zip_, nullptr);
    }
}

Error ZipArchive::failure(const std::string& what) const {
    const std::string context = "write '" + stream_->name + "' (" + what + ")";
    if (stream_->error) return io_error(stream_->error, context);
    return Error{ErrorKind::resource, 0, "Cannot " + context + ": the ZIP writer failed"};
}

Expected<void, Error> ZipArchive::begin_entry(const std::string& entry, std::uint64_t size, std::uint64_t compressed,
                                              int level) {
    zip_fileinfo info{};
    info.dosDate = kDosDate;
    const int zip64 = size >= kZip32Limit || compressed >= kZip32Limit ? 1 : 0;
    entry_ = entry;
    entry_compressed_ = compressed;
    stream_->entry_bytes = 0;
    const int result = zipOpenNewFileInZip3_64(zip_, entry.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                               level, 1, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0,
                                               zip64);
    if (result != ZIP_OK || stream_->error) return Unexpected(failure(entry_));
    return {};
}

Expected<void, Error> ZipArchive::write(std::span<const unsigned char> deflated) {
    while (!deflated.empty()) {
        const std::size_t n = std::min<std::size_t>(deflated.size(), kBuffer);
        if (zipWriteInFileInZip(zip_, deflated.data(), static_cast<unsigned>(n)) != ZIP_OK || stream_->error) {
            return Unexpected(failure(entry_));
        }
        stream_->entry_bytes += n;
        deflated = deflated.subspan(n);
    }
    return {};
}

Expected<void, Error> ZipArchive::end_entry(std::uint64_t size, std::uint32_t crc) {
    if (stream_->entry_bytes != entry_compressed_) {
        return Unexpected(Error{ErrorKind::resource, 0, "Cannot write '" + stream_->name + "' (" + entry_ +
                                                            "): its deflated data came out at another length"});
    }
    if (zipCloseFileInZipRaw64(zip_, size, crc) != ZIP_OK || stream_->error) return Unexpected(failure(entry_));
    return {};
}

Expected<std::uint64_t, Error> ZipArchive::close() {
    const int result = zipClose(std::exchange(zip_, nullptr), nullptr);
    // minizip does not look at every write it makes here (the ZIP64 end
    // records among them); the stream has seen each.
    if (result != ZIP_OK || stream_->error) return Unexpected(failure("central directory"));
    if (::lseek(stream_->fd, static_cast<off_t>(stream_->end), SEEK_SET) < 0) {
        return Unexpected(io_error(errno, "write '" + stream_->name + "'"));
    }
    return stream_->end;
}

}  // namespace corvex::xlsx
