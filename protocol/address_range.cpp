// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/address_range.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <algorithm>
#include <charconv>
#include <optional>

#include "protocol/text_format.h"

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Dotted decimal only: inet_pton refuses octal, hex and short forms, which
// inet_addr would read as some other address.
std::optional<std::uint32_t> Address(std::string_view text) {
    if (text.empty() || text.size() > 15) return std::nullopt;
    const std::string copy(text);
    in_addr address{};
    if (::inet_pton(AF_INET, copy.c_str(), &address) != 1) return std::nullopt;
    return ntohl(address.s_addr);
}

std::optional<AddressBlock> Block(std::string_view item) {
    if (const std::size_t slash = item.find('/'); slash != std::string_view::npos) {
        const auto base = Address(item.substr(0, slash));
        const std::string_view bits = item.substr(slash + 1);
        int prefix = -1;
        const auto [end, ec] = std::from_chars(bits.data(), bits.data() + bits.size(), prefix);
        if (!base || bits.empty() || ec != std::errc() || end != bits.data() + bits.size() || prefix < 0 || prefix > 32)
            return std::nullopt;
        const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
        return AddressBlock{*base & mask, (*base & mask) | ~mask};
    }
    if (const std::size_t dash = item.find('-'); dash != std::string_view::npos) {
        const auto first = Address(Trimmed(item.substr(0, dash)));
        const auto last = Address(Trimmed(item.substr(dash + 1)));
        if (!first || !last || *first > *last) return std::nullopt;
        return AddressBlock{*first, *last};
    }
    const auto one = Address(item);
    if (!one) return std::nullopt;
    return AddressBlock{*one, *one};
}

// 0.0.0.0/8 and 224.0.0.0/3 hold no device a unicast reaches.
bool Probeable(const AddressBlock& block) {
    constexpr std::uint32_t kFirstUsable = 0x01000000u;  // 1.0.0.0
    constexpr std::uint32_t kLastUsable = 0xDFFFFFFFu;   // 223.255.255.255
    return block.first >= kFirstUsable && block.last <= kLastUsable;
}

}  // namespace

std::string InvalidRangeMessage(std::string_view text) { return "Invalid range - [" + std::string(text) + "]"; }

ParsedRanges ParseAddressRanges(std::string_view text) {
    ParsedRanges parsed;
    std::vector<AddressBlock> blocks;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = Trimmed(text.substr(start, comma - start));
        start = comma + 1;
        if (item.empty()) continue;
        const auto block = Block(item);
        if (!block || !Probeable(*block)) {
            parsed.error = InvalidRangeMessage(item);
            return parsed;
        }
        parsed.items.emplace_back(item);
        blocks.push_back(*block);
    }
    if (blocks.empty()) {
        parsed.error = InvalidRangeMessage(Trimmed(text));
        return parsed;
    }
    std::sort(blocks.begin(), blocks.end(),
              [](const AddressBlock& a, const AddressBlock& b) { return a.first < b.first; });
    for (const AddressBlock& block : blocks) {
        // Touching blocks join too: 1.2.3.0-1.2.3.9 and 1.2.3.10 are one span.
        if (!parsed.blocks.empty() && std::uint64_t{block.first} <= std::uint64_t{parsed.blocks.back().last} + 1)
            parsed.blocks.back().last = std::max(parsed.blocks.back().last, block.last);
        else
            parsed.blocks.push_back(block);
    }
    for (const AddressBlock& block : parsed.blocks) parsed.addresses += std::uint64_t{block.last} - block.first + 1;
    if (parsed.addresses > kMaxRangeAddresses) {
        parsed.error = "Too many addresses - [" + GroupedNumber(static_cast<long long>(parsed.addresses)) +
                       "]: a search covers at most " + GroupedNumber(static_cast<long long>(kMaxRangeAddresses));
        parsed.blocks.clear();
    }
    return parsed;
}

bool InAddressBlocks(const std::vector<AddressBlock>& blocks, in_addr_t address) {
    const std::uint32_t host = ntohl(address);
    return std::any_of(blocks.begin(), blocks.end(),
                       [host](const AddressBlock& b) { return b.first <= host && host <= b.last; });
}

std::vector<RangeTarget> RangeTargets(const std::vector<AddressBlock>& blocks,
                                      const std::vector<InterfaceAddress>& interfaces) {
    struct Subnet {
        std::uint32_t network, mask;
    };
    std::vector<Subnet> subnets;
    std::vector<std::uint32_t> own;
    for (const InterfaceAddress& card : interfaces) {
        const std::uint32_t address = ntohl(card.address);
        own.push_back(address);
        const std::uint32_t mask = ntohl(card.netmask);
        if ((card.flags & IFF_LOOPBACK) == 0 && mask != 0) subnets.push_back({address & mask, mask});
    }
    std::vector<RangeTarget> targets;
    for (const AddressBlock& block : blocks) {
        for (std::uint64_t a = block.first; a <= block.last; ++a) {
            const auto address = static_cast<std::uint32_t>(a);
            if (std::find(own.begin(), own.end(), address) != own.end()) continue;
            bool onLink = false;
            bool linkBroadcast = false;
            for (const Subnet& subnet : subnets) {
                if ((address & subnet.mask) != subnet.network) continue;
                onLink = true;
                // A /31 or /32 has neither a network nor a broadcast address.
                const bool small = (~subnet.mask) < 3;
                if (!small && (address == subnet.network || address == (subnet.network | ~subnet.mask)))
                    linkBroadcast = true;
            }
            if (!linkBroadcast) targets.push_back({htonl(address), onLink});
        }
    }
    return targets;
}

std::string RangesWithAddress(const std::string& ranges, const std::string& ip) {
    const auto address = Address(Trimmed(ip));
    if (!address || InAddressBlocks(ParseAddressRanges(ranges).blocks, htonl(*address))) return ranges;
    return ranges + "," + std::string(Trimmed(ip));
}
