#include "catalogue/SizeFormat.h"

#include <cinttypes>
#include <cstdio>

namespace vorlane::catalogue {

namespace {

std::string GroupDigits(const std::string& digits) {
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

// Rounds a non-negative value half up, saturating at the largest uint64_t.
uint64_t RoundHalfUp(double value) {
    if (value >= 18446744073709551615.0)
        return UINT64_MAX;
    return static_cast<uint64_t>(value + 0.5);
}

} // namespace

std::string FormatCount(uint64_t number, int width) {
    std::string text = GroupDigits(std::to_string(number));
    if (static_cast<int>(text.size()) > width) {
        char plain[64];
        std::snprintf(plain, sizeof plain, "%*" PRIu64, width > 1 ? width - 1 : 0, number);
        return plain;
    }
    return text;
}

std::string FormatSize(uint64_t bytes, unsigned flags, int width) {
    // Beyond the old KB, MB and GB, larger totals name their unit too
    // rather than showing a bare number.
    static const char* const units[] = {"", "KB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes);
    int divisions = 0;
    if (flags & kSizeScale) {
        value /= 1024.0;
        divisions = 1;
        while (value > 1024.0 && divisions < 6) {
            value /= 1024.0;
            ++divisions;
        }
    }
    uint64_t whole;
    unsigned tenth = 0;
    if (flags & kSizeOneDecimal) {
        uint64_t tenths = RoundHalfUp(value * 10.0);
        whole = tenths / 10;
        tenth = static_cast<unsigned>(tenths % 10);
    } else {
        whole = RoundHalfUp(value);
    }
    std::string text = std::to_string(whole);
    if ((flags & kSizeSeparators) && text.size() > 3)
        text = GroupDigits(text);
    if (flags & kSizeOneDecimal) {
        text.push_back('.');
        text.push_back(static_cast<char>('0' + tenth));
    }
    text += units[divisions];
    if (static_cast<int>(text.size()) > width) {
        char plain[128];
        std::snprintf(plain, sizeof plain, "%*f", width > 1 ? width - 1 : 0,
                      static_cast<double>(bytes));
        return plain;
    }
    return text;
}

} // namespace vorlane::catalogue
