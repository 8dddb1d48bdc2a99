// A growable run of bytes that is written through a pointer: room(n) makes
// space for at least n more bytes, commit(end) takes what was written up to end.
// Unlike std::string it never fills the space it reserves.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace corvex::xlsx {

class ByteBuffer {
public:
    char* room(std::size_t n) {
        if (capacity_ - size_ < n) grow(size_ + n);
        return data_.get() + size_;
    }
    void commit(char* end) { size_ = static_cast<std::size_t>(end - data_.get()); }
    void append(std::string_view bytes) {
        char* p = room(bytes.size());
        if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
        size_ += bytes.size();
    }
    void reserve(std::size_t capacity) {
        if (capacity > capacity_) grow(capacity);
    }
    void clear() { size_ = 0; }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const char* data() const { return data_.get(); }
    std::string_view view() const { return {data_.get(), size_}; }

private:
    void grow(std::size_t needed) {
        std::size_t capacity = capacity_ ? capacity_ : 4096;
        while (capacity < needed) capacity += capacity / 2;
        auto larger = std::make_unique_for_overwrite<char[]>(capacity);
        if (size_) std::memcpy(larger.get(), data_.get(), size_);
        data_ = std::move(larger);
        capacity_ = capacity;
    }

    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace corvex::xlsx
