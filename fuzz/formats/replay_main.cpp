// Replays inputs through LLVMFuzzerTestOneInput where libFuzzer is not at
// hand (g++ builds): every file named, and every file under every folder
// named. Each input is also replayed cut at a handful of lengths.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void replay(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t lengths[] = {whole.size(), whole.size() / 2, whole.size() > 0 ? whole.size() - 1 : 0, 72, 98, 1271};
    for (const std::size_t length : lengths) {
        if (length > whole.size()) continue;
        // An exact-size copy, so the sanitizers see any read past its end.
        const std::vector<std::uint8_t> input(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg = argv[i];
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(arg)) {
                if (!entry.is_regular_file()) continue;
                replay(entry.path());
                ++inputs;
            }
        } else if (std::filesystem::is_regular_file(arg)) {
            replay(arg);
            ++inputs;
        } else {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            return 1;
        }
    }
    std::printf("replayed %zu inputs\n", inputs);
    return inputs > 0 ? 0 : 1;
}
