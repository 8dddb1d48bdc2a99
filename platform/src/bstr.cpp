#include <cstdlib>
#include <cstring>

#include "corvex/platform/bstr.h"
#include "corvex/platform/text.h"

namespace {

// Layout of one block: [uint32 byte length][text][16-bit NUL].
BSTR allocate_bytes(const void* data, std::size_t bytes) {
    // The length prefix is 32 bits and the block also holds the prefix and the NUL.
    if (bytes > 0xFFFFFFFFu - sizeof(std::uint32_t) - sizeof(OLECHAR)) return nullptr;
    // Round the text up to whole code units so the terminator is aligned.
    const std::size_t text_room = (bytes + 1) & ~std::size_t{1};
    auto* block = static_cast<unsigned char*>(std::malloc(sizeof(std::uint32_t) + text_room + sizeof(OLECHAR)));
    if (!block) return nullptr;
    const auto len = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &len, sizeof len);
    unsigned char* text = block + sizeof(std::uint32_t);
    if (data)
        std::memcpy(text, data, bytes);
    else
        std::memset(text, 0, bytes);
    std::memset(text + bytes, 0, text_room - bytes + sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(text);
}

}  // namespace

extern "C" {

BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz) return nullptr;
    std::size_t n = 0;
    while (psz[n]) ++n;
    return allocate_bytes(psz, n * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT cch) {
    return allocate_bytes(strIn, std::size_t{cch} * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* psz, UINT len) { return allocate_bytes(psz, len); }

void SysFreeString(BSTR bstrString) {
    if (bstrString) std::free(reinterpret_cast<unsigned char*>(bstrString) - sizeof(std::uint32_t));
}

UINT SysStringByteLen(BSTR bstr) {
    if (!bstr) return 0;
    std::uint32_t len;
    std::memcpy(&len, reinterpret_cast<unsigned char*>(bstr) - sizeof len, sizeof len);
    return len;
}

UINT SysStringLen(BSTR pbstr) { return SysStringByteLen(pbstr) / sizeof(OLECHAR); }

}  // extern "C"

namespace corvex::platform {

Bstr Bstr::from_utf8(std::string_view text) { return Bstr(corvex::text::utf8_to_utf16(text)); }
Bstr Bstr::from_cp1252(std::string_view text) { return Bstr(corvex::text::cp1252_to_utf16(text)); }
Bstr Bstr::from_path(std::string_view bytes) { return Bstr(corvex::text::path_to_utf16(bytes)); }
std::string Bstr::utf8() const { return corvex::text::utf16_to_utf8(view()); }
std::string Bstr::cp1252() const { return corvex::text::utf16_to_cp1252(view()); }

}  // namespace corvex::platform
