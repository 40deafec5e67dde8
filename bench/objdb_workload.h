// The data set of the objdb benchmark, shared by Vorlane's program and the
// peers' program so both store and look up exactly the same objects:
// 100,000 thumbnails of 4 to 8 KiB named like lower-cased image paths, ten
// directories of 10,000 each.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace objdb_bench {

constexpr int kObjects = 100000;
// The directory walked and deleted: objects 40000..49999.
constexpr const char* kPrefix = "c:\\photos\\2019\\";
constexpr int kPrefixCount = 10000;

inline std::string Name(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "c:\\photos\\%04d\\img_%06d.jpg", 2015 + i / 10000, i);
    return name;
}

// The key the object database gives a thumbnail (kind 5); the peers use it
// as their key too, so keys are the same length everywhere.
inline std::string Key(int i) {
    return "0005" + Name(i);
}

inline size_t Length(int i) {
    uint64_t x = uint64_t(i + 1) * 0x9E3779B97F4A7C15ull;
    x ^= x >> 29;
    return 4096 + size_t(x % 4097);
}

// Incompressible bytes; object i's data starts at a different offset.
class DataPool {
  public:
    DataPool() : m_bytes(16384 + 8192) {
        std::mt19937_64 rng(42);
        for (auto& b : m_bytes)
            b = uint8_t(rng());
    }
    const uint8_t* Data(int i) const { return m_bytes.data() + size_t(i) * 7919 % 8192; }

  private:
    std::vector<uint8_t> m_bytes;
};

inline std::vector<int> RandomOrder(uint64_t seed) {
    std::vector<int> order(kObjects);
    std::iota(order.begin(), order.end(), 0);
    std::mt19937_64 rng(seed);
    std::shuffle(order.begin(), order.end(), rng);
    return order;
}

} // namespace objdb_bench
