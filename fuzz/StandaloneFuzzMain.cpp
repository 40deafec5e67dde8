// A small stand-in for libFuzzer's driver, so fuzz targets build and run
// with any compiler: every file of the given corpus directories is run,
// then -runs=N mutations of them (bit flips, byte changes, inserts,
// deletions, truncations, splices) chosen by a fixed -seed=S. Inputs are at
// most -max_len=L bytes. A crash or sanitizer report ends the program.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Input = std::vector<uint8_t>;

void RunOne(const Input& input) {
    LLVMFuzzerTestOneInput(input.data(), input.size());
}

Input Mutate(const std::vector<Input>& corpus, std::mt19937_64& rng, size_t maxLen) {
    Input out = corpus.empty() ? Input{} : corpus[rng() % corpus.size()];
    int steps = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < steps; ++i) {
        switch (rng() % 7) {
        case 0: // flip a bit
            if (!out.empty())
                out[rng() % out.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 1: // set a byte to an interesting value
            if (!out.empty()) {
                static const uint8_t kValues[] = {0, 1, 0x7f, 0x80, 0xff, '\\', '*', '[', '\n'};
                out[rng() % out.size()] = kValues[rng() % sizeof(kValues)];
            }
            break;
        case 2: // insert random bytes
            if (out.size() < maxLen) {
                size_t at = out.empty() ? 0 : rng() % (out.size() + 1);
                size_t n = 1 + rng() % 8;
                for (size_t k = 0; k < n && out.size() < maxLen; ++k)
                    out.insert(out.begin() + static_cast<long>(at), static_cast<uint8_t>(rng()));
            }
            break;
        case 3: // delete a range
            if (!out.empty()) {
                size_t at = rng() % out.size();
                size_t n = 1 + rng() % std::min<size_t>(16, out.size() - at);
                out.erase(out.begin() + static_cast<long>(at),
                          out.begin() + static_cast<long>(at + n));
            }
            break;
        case 4: // truncate
            if (!out.empty())
                out.resize(rng() % out.size());
            break;
        case 5: // splice another corpus entry
            if (!corpus.empty()) {
                const Input& other = corpus[rng() % corpus.size()];
                size_t at = out.empty() ? 0 : rng() % (out.size() + 1);
                out.insert(out.begin() + static_cast<long>(at), other.begin(), other.end());
            }
            break;
        default: // overwrite with random bytes
            for (auto& b : out)
                if (rng() % 16 == 0)
                    b = static_cast<uint8_t>(rng());
            break;
        }
    }
    if (out.size() > maxLen)
        out.resize(maxLen);
    return out;
}

} // namespace

int main(int argc, char** argv) {
    long runs = 10000;
    uint64_t seed = 1;
    size_t maxLen = 4096;
    std::vector<Input> corpus;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.rfind("-runs=", 0) == 0) {
            runs = std::strtol(arg.c_str() + 6, nullptr, 10);
        } else if (arg.rfind("-seed=", 0) == 0) {
            seed = std::strtoull(arg.c_str() + 6, nullptr, 10);
        } else if (arg.rfind("-max_len=", 0) == 0) {
            maxLen = std::strtoull(arg.c_str() + 9, nullptr, 10);
        } else if (arg[0] != '-') {
            std::error_code ec;
            std::vector<std::filesystem::path> files;
            if (std::filesystem::is_directory(arg, ec)) {
                for (const auto& e : std::filesystem::directory_iterator(arg, ec))
                    if (e.is_regular_file())
                        files.push_back(e.path());
            } else if (std::filesystem::is_regular_file(arg, ec)) {
                files.push_back(arg);
            }
            std::sort(files.begin(), files.end());
            for (const auto& f : files) {
                std::ifstream in(f, std::ios::binary);
                corpus.emplace_back(std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>());
            }
        }
    }
    for (const auto& input : corpus)
        RunOne(input);
    std::mt19937_64 rng(seed);
    for (long i = 0; i < runs; ++i)
        RunOne(Mutate(corpus, rng, maxLen));
    std::printf("fuzz: %zu corpus inputs and %ld mutations ran without a fault\n", corpus.size(),
                runs);
    return 0;
}
