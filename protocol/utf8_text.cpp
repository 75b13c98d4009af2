// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/utf8_text.h"

std::size_t Utf8Length(const std::string& s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    unsigned min = 0;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    unsigned code = c & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        code = (code << 6) | (d & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return n;
}

unsigned Utf8C1At(const std::string& s, std::size_t i, std::size_t n) {
    // U+0080..U+009F are exactly the two-byte sequences C2 80..C2 9F.
    if (n != 2 || static_cast<unsigned char>(s[i]) != 0xC2) return 0;
    const auto second = static_cast<unsigned char>(s[i + 1]);
    return second <= 0x9F ? second : 0;
}
