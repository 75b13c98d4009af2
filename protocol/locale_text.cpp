// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/locale_text.h"

#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

// Decodes in the current C locale (set from the user's environment by the
// window toolkit or main()); bytes that do not decode are kept one by one so
// no text ever compares equal to a different one by accident.
std::wstring FoldCase(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    std::mbstate_t state{};
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        wchar_t wc = 0;
        const std::size_t n = std::mbrtowc(&wc, p, left, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
            out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
            state = std::mbstate_t{};
            ++p;
            --left;
            continue;
        }
        if (n == 0) {  // embedded NUL
            out.push_back(L'\0');
            ++p;
            --left;
            continue;
        }
        out.push_back(static_cast<wchar_t>(std::towlower(static_cast<wint_t>(wc))));
        p += n;
        left -= n;
    }
    return out;
}

}  // namespace

int CompareTextIgnoreCase(const std::string& a, const std::string& b) {
    const std::wstring fa = FoldCase(a);
    const std::wstring fb = FoldCase(b);
    const int r = std::wcscoll(fa.c_str(), fb.c_str());
    if (r != 0) return r;
    // wcscoll stops at an embedded NUL; fall back to the full folded texts.
    return fa.compare(fb);
}

bool SameTextIgnoreCase(const std::string& a, const std::string& b) { return FoldCase(a) == FoldCase(b); }
