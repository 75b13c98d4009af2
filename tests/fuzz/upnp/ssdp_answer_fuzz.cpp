// SPDX-License-Identifier: GPL-3.0-or-later
// Any datagram a LAN host sends to the M-SEARCH socket: what is read from it
// is kept whole or not at all, and never carries a control character to the
// description fetch.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "upnp/ssdp_message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view datagram(reinterpret_cast<const char*>(data), size);
    const auto answer = ParseRootDeviceAnswer(datagram);
    if (!answer) return 0;
    const auto hasControl = [](const std::string& text) {
        return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    };
    if (hasControl(answer->usn) || hasControl(answer->location)) __builtin_trap();
    if (answer->udn.rfind("uuid:", 0) != 0 || answer->usn.rfind(answer->udn, 0) != 0) __builtin_trap();
    if (answer->location.size() > 1024 || answer->usn.size() > 1024) __builtin_trap();
    return 0;
}
