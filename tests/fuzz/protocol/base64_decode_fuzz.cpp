// SPDX-License-Identifier: GPL-3.0-or-later
// Any text must decode within three quarters of its length, and the bounded
// form must stop at its capacity; decoding a standard encoding gives back
// the bytes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/package_codec.h"
#include "tests/fuzz/protocol/fuzz_form.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 65535) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::size_t textLength = std::strlen(text.c_str());

    // Exactly the promised size: a write beyond it is caught by the sanitizer.
    std::vector<unsigned char> out(textLength * 3 / 4);
    const int n = Base64Decode(out.data(), text.c_str());
    Require(n >= 0 && static_cast<std::size_t>(n) <= out.size());

    const std::size_t capacity = size % 7;
    std::vector<unsigned char> small(capacity);
    const int m = Base64Decode(small.data(), capacity, text.c_str());
    Require(m >= 0 && static_cast<std::size_t>(m) <= capacity);
    Require(static_cast<std::size_t>(m) == std::min<std::size_t>(capacity, static_cast<std::size_t>(n)));
    // std::equal, not memcmp: an empty vector's data() may be null.
    Require(std::equal(small.begin(), small.begin() + m, out.begin()));

    // The input read as bytes must survive encode then decode.
    std::vector<char> encoded(static_cast<std::size_t>(Base64EncodedLength(static_cast<int>(size))) + 1);
    const int e = Base64Encode(encoded.data(), data, static_cast<int>(size));
    Require(e == Base64EncodedLength(static_cast<int>(size)));
    std::vector<unsigned char> back(size + 1);
    Require(Base64Decode(back.data(), back.size(), encoded.data()) == static_cast<int>(size));
    Require(std::equal(back.begin(), back.begin() + static_cast<std::ptrdiff_t>(size), data));
    return 0;
}
