// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/onvif_camera_address.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>

#include "onvif/device_client.h"
#include "protocol/broadcast_interfaces.h"
#include "tools/devsim/box_card.h"

bool PlaceOnvifCamerasOnBoxCard(std::vector<OnvifCamera>& cameras, int first, std::string& error) {
    const char* box = std::getenv("LANBOX");
    const std::optional<BoxCard> card = FirstBoxCard();
    if (box == nullptr || std::strcmp(box, "hosts") != 0 || !card) return true;
    std::vector<std::string> added;
    for (std::size_t i = 0; i < cameras.size(); ++i) {
        const int number = first + static_cast<int>(i);
        const std::string address =
            Ipv4Text(htonl((card->address & card->netmask) | static_cast<std::uint32_t>(100 + number % 100)));
        bool moved = false;
        for (std::string& xaddr : cameras[i].xaddrs) {
            const std::string host = OnvifXaddrHost(xaddr);
            in_addr a{};
            if (moved || ::inet_pton(AF_INET, host.c_str(), &a) != 1) continue;
            xaddr.replace(xaddr.find(host), host.size(), address);
            moved = true;
        }
        if (moved) added.push_back(address);
    }
    return AddCardAddresses(*card, added, error);
}
