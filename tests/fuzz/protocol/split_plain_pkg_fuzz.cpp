// SPDX-License-Identifier: GPL-3.0-or-later
// Any text: the result is one of the three, and every field stays
// NUL-terminated inside its width.

#include <cstdint>
#include <cstring>
#include <string>

#include "protocol/com_unit_info.h"
#include "protocol/reply_parser.h"
#include "tests/fuzz/protocol/fuzz_form.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 70000) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    FuzzForm form;
    tComUnitInfo rec{};
    const int result = SplitPlainPkg(form, text.c_str(), &rec);
    Require(result == -1 || result == 0 || result == 1);
    for (int i = 0; i < kComUnitFieldCount; ++i) {
        Require(std::memchr(ComUnitField(rec, i), '\0', ComUnitFieldWidth(i)) != nullptr);
    }
    Require(form.logLines <= 1);
    return 0;
}
