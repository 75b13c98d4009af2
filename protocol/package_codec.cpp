// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/package_codec.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// -1 for characters outside the alphabet.
int Base64Value(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

int InvertBytes(unsigned char* buf, int len) {
    if (buf == nullptr || len < 0) return -1;
    for (int i = 0; i < len; ++i) buf[i] = static_cast<unsigned char>(~buf[i]);
    return 0;
}

int InvertBytes(char* buf, int len) { return InvertBytes(reinterpret_cast<unsigned char*>(buf), len); }

int Base64Encode(char* out, const unsigned char* in, int count) {
    if (out == nullptr) return 0;
    if (in == nullptr || count <= 0) {
        out[0] = '\0';
        return 0;
    }
    int o = 0;
    int i = 0;
    for (; i + 2 < count; i += 3) {
        const std::uint32_t v = (std::uint32_t{in[i]} << 16) | (std::uint32_t{in[i + 1]} << 8) | in[i + 2];
        out[o++] = kAlphabet[(v >> 18) & 0x3F];
        out[o++] = kAlphabet[(v >> 12) & 0x3F];
        out[o++] = kAlphabet[(v >> 6) & 0x3F];
        out[o++] = kAlphabet[v & 0x3F];
    }
    const int rest = count - i;
    if (rest > 0) {
        std::uint32_t v = std::uint32_t{in[i]} << 16;
        if (rest == 2) v |= std::uint32_t{in[i + 1]} << 8;
        out[o++] = kAlphabet[(v >> 18) & 0x3F];
        out[o++] = kAlphabet[(v >> 12) & 0x3F];
        out[o++] = rest == 2 ? kAlphabet[(v >> 6) & 0x3F] : '=';
        out[o++] = '=';
    }
    out[o] = '\0';
    return o;
}

int Base64Decode(unsigned char* out, std::size_t outCapacity, const char* text) {
    if (out == nullptr || text == nullptr) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    std::size_t written = 0;
    unsigned held = 0;
    // Counting taken characters only; the text's NUL ends the loop, so no
    // separate length pass is needed.
    for (unsigned taken = 0;; ++taken) {
        // Padding ends the message only right after a taken character.
        if (*p == '=') break;
        int v = -1;
        while (*p != '\0' && (v = Base64Value(*p)) < 0) ++p;
        if (*p == '\0') break;
        ++p;
        const auto bits = static_cast<unsigned>(v);
        switch (taken % 4) {
            case 0:
                held = (bits << 2) & 0xFF;
                break;
            case 1:
                if (written >= outCapacity) return static_cast<int>(written);
                out[written++] = static_cast<unsigned char>(held | (bits >> 4));
                held = (bits << 4) & 0xFF;
                break;
            case 2:
                if (written >= outCapacity) return static_cast<int>(written);
                out[written++] = static_cast<unsigned char>(held | (bits >> 2));
                held = (bits << 6) & 0xFF;
                break;
            default:
                if (written >= outCapacity) return static_cast<int>(written);
                out[written++] = static_cast<unsigned char>(held | bits);
                break;
        }
        // The result is an int; a text that long cannot come off the wire.
        if (written >= static_cast<std::size_t>(std::numeric_limits<int>::max())) break;
    }
    return static_cast<int>(written);
}

int Base64Decode(unsigned char* out, const char* text) {
    return Base64Decode(out, std::numeric_limits<std::size_t>::max(), text);
}

std::string EncodeWireText(std::string_view plainBytes) {
    std::vector<unsigned char> bytes(plainBytes.begin(), plainBytes.end());
    InvertBytes(bytes.data(), static_cast<int>(bytes.size()));
    std::string text(static_cast<std::size_t>(Base64EncodedLength(static_cast<int>(bytes.size()))) + 1, '\0');
    text.resize(static_cast<std::size_t>(Base64Encode(text.data(), bytes.data(), static_cast<int>(bytes.size()))));
    return text;
}
