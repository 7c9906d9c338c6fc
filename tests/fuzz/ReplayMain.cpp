// Runs a fuzz target over files and folders of inputs without libFuzzer, so the ordinary build
// re-runs every input that ever found a fault. A violated invariant aborts, which fails the test.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool replayFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t replayed = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const fs::path given(argv[i]);
        std::vector<fs::path> files;
        if (fs::is_directory(given)) {
            for (const auto& entry : fs::directory_iterator(given)) {
                // Dot files are the folder's own (.gitattributes), not inputs.
                if (entry.is_regular_file() && !entry.path().filename().string().starts_with("."))
                    files.push_back(entry.path());
            }
            // A fixed order makes a failure the same on every machine.
            std::sort(files.begin(), files.end());
        } else {
            files.push_back(given);
        }
        for (const auto& file : files) {
            ok = replayFile(file) && ok;
            ++replayed;
        }
    }
    std::printf("replayed %zu inputs\n", replayed);
    // An empty corpus would pass while checking nothing.
    return ok && replayed > 0 ? 0 : 1;
}
