#include "objdb/private/KeyType.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace vorlane::objdb::detail {

namespace {

uint32_t FixedSize(KeyKind kind) {
    switch (kind) {
    case KeyKind::Int32:
    case KeyKind::Float32:
        return 4;
    case KeyKind::Int16:
    case KeyKind::UInt16:
        return 2;
    case KeyKind::Float64:
        return 8;
    case KeyKind::Bytes6:
        return 6;
    default:
        return 0;
    }
}

int Fold(uint8_t c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

// A total order on floating-point values: NaN sorts above every number and
// equals itself, so a damaged or odd key never breaks the tree's ordering.
template <typename F> int CompareFloat(F a, F b) {
    bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb)
        return int(na) - int(nb);
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool NativeBig() {
    return std::endian::native == std::endian::big;
}

// Copies n bytes reversing them when the file's order differs from the host's.
void CopyOrdered(const ByteOrder& order, const uint8_t* from, uint8_t* to, uint32_t n) {
    if (order.big == NativeBig()) {
        std::memcpy(to, from, n);
    } else {
        for (uint32_t i = 0; i < n; ++i)
            to[i] = from[n - 1 - i];
    }
}

} // namespace

KeyKind KindOfType(uint8_t type) {
    switch (type & 0x1F) {
    case 0:
        return KeyKind::String;
    case 1:
        return KeyKind::StringNoCase;
    case 2:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
        return KeyKind::Counted;
    case 3:
    case 5:
        return KeyKind::Int32;
    case 4:
        return KeyKind::Int16;
    case 6:
        return KeyKind::Float32;
    case 7:
        return KeyKind::Float64;
    case 9:
        return KeyKind::Bytes6;
    case 10:
        return KeyKind::UInt16;
    default:
        return KeyKind::Unsupported;
    }
}

bool ValidKey(KeyKind kind, const uint8_t* key, uint32_t keyLen) {
    if (keyLen == 0 || keyLen > kMaxKeyBytes)
        return false;
    switch (kind) {
    case KeyKind::String:
    case KeyKind::StringNoCase:
        return key[keyLen - 1] == 0 && std::memchr(key, 0, keyLen - 1) == nullptr;
    case KeyKind::Counted:
        return uint32_t(key[0]) + 1 == keyLen;
    case KeyKind::Unsupported:
        return false;
    default:
        return keyLen == FixedSize(kind);
    }
}

int CompareKeys(KeyKind kind, const ByteOrder& order, const uint8_t* a, uint32_t aLen,
                const uint8_t* b, uint32_t bLen) {
    switch (kind) {
    case KeyKind::String: {
        // Both end in their NUL, so a common-length compare settles every
        // pair except equal strings.
        int c = std::memcmp(a, b, std::min(aLen, bLen));
        return c != 0 ? c : int(aLen) - int(bLen);
    }
    case KeyKind::StringNoCase: {
        uint32_t n = std::min(aLen, bLen);
        for (uint32_t i = 0; i < n; ++i) {
            int d = Fold(a[i]) - Fold(b[i]);
            if (d != 0)
                return d;
        }
        return int(aLen) - int(bLen);
    }
    case KeyKind::Counted: {
        uint32_t la = aLen - 1, lb = bLen - 1;
        int c = std::memcmp(a + 1, b + 1, std::min(la, lb));
        return c != 0 ? c : int(la) - int(lb);
    }
    case KeyKind::Int32: {
        int32_t x = int32_t(order.Get32(a)), y = int32_t(order.Get32(b));
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case KeyKind::Int16: {
        int16_t x = order.GetS16(a), y = order.GetS16(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case KeyKind::UInt16: {
        uint16_t x = order.Get16(a), y = order.Get16(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case KeyKind::Float32:
        return CompareFloat(std::bit_cast<float>(order.Get32(a)),
                            std::bit_cast<float>(order.Get32(b)));
    case KeyKind::Float64:
        return CompareFloat(std::bit_cast<double>(order.Get64(a)),
                            std::bit_cast<double>(order.Get64(b)));
    case KeyKind::Bytes6:
        return std::memcmp(a, b, 6);
    case KeyKind::Unsupported:
        break;
    }
    return 0;
}

bool EncodeKey(KeyKind kind, const ByteOrder& order, std::string_view key, std::string* out) {
    out->clear();
    switch (kind) {
    case KeyKind::String:
    case KeyKind::StringNoCase: {
        size_t nul = key.find('\0');
        if (nul != std::string_view::npos) {
            if (nul + 1 != key.size())
                return false; // an embedded NUL would cut the key short
            key.remove_suffix(1);
        }
        if (key.size() + 1 > kMaxKeyBytes)
            return false;
        out->assign(key);
        out->push_back('\0');
        return true;
    }
    case KeyKind::Counted: {
        if (key.empty())
            return false;
        uint32_t n = uint8_t(key[0]);
        if (key.size() < n + 1u || n + 1 > kMaxKeyBytes)
            return false;
        out->assign(key.substr(0, n + 1));
        return true;
    }
    case KeyKind::Unsupported:
        return false;
    default: {
        uint32_t size = FixedSize(kind);
        if (key.size() != size)
            return false;
        out->resize(size);
        if (kind == KeyKind::Bytes6)
            std::memcpy(out->data(), key.data(), size);
        else
            CopyOrdered(order, reinterpret_cast<const uint8_t*>(key.data()),
                        reinterpret_cast<uint8_t*>(out->data()), size);
        return true;
    }
    }
}

void DecodeKeyInto(KeyKind kind, const ByteOrder& order, const uint8_t* key, uint32_t keyLen,
                   std::string* out) {
    if (kind == KeyKind::String || kind == KeyKind::StringNoCase)
        out->assign(reinterpret_cast<const char*>(key), keyLen ? keyLen - 1 : 0);
    else
        *out = DecodeKey(kind, order, key, keyLen);
}

std::string DecodeKey(KeyKind kind, const ByteOrder& order, const uint8_t* key, uint32_t keyLen) {
    switch (kind) {
    case KeyKind::String:
    case KeyKind::StringNoCase:
        return std::string(reinterpret_cast<const char*>(key), keyLen ? keyLen - 1 : 0);
    case KeyKind::Int32:
    case KeyKind::Int16:
    case KeyKind::UInt16:
    case KeyKind::Float32:
    case KeyKind::Float64: {
        std::string out(keyLen, '\0');
        CopyOrdered(order, key, reinterpret_cast<uint8_t*>(out.data()), keyLen);
        return out;
    }
    default:
        return std::string(reinterpret_cast<const char*>(key), keyLen);
    }
}

} // namespace vorlane::objdb::detail
