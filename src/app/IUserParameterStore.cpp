#include "app/IUserParameterStore.h"

namespace vorlane::app {

namespace {

void Append32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Read32(const std::vector<uint8_t>& in, size_t offset) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(in[offset + i]) << (8 * i);
    return v;
}

} // namespace

std::vector<uint8_t> EncodeIntArray(const std::vector<int32_t>& values) {
    std::vector<uint8_t> out;
    out.reserve((values.size() + 1) * 4);
    Append32(out, static_cast<uint32_t>(values.size()));
    for (int32_t v : values)
        Append32(out, static_cast<uint32_t>(v));
    return out;
}

bool DecodeIntArray(const std::vector<uint8_t>& data, std::vector<int32_t>* values) {
    if (data.size() < 4 || data.size() % 4 != 0)
        return false;
    uint64_t count = Read32(data, 0);
    if ((count + 1) * 4 != data.size())
        return false;
    std::vector<int32_t> out;
    out.reserve(count);
    for (uint64_t i = 0; i < count; ++i)
        out.push_back(static_cast<int32_t>(Read32(data, 4 + i * 4)));
    *values = std::move(out);
    return true;
}

} // namespace vorlane::app
