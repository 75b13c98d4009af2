// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/garbage.h"

#include <random>

#include "tools/devsim/wire_codec.h"

namespace {

// Largest payload of one UDP datagram over IPv4.
constexpr size_t kMaxUdpPayload = 65507;

std::string RandomBytes(std::mt19937& rng, size_t count) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(byte(rng));
    return bytes;
}

char NoiseChar(std::mt19937& rng) {
    static constexpr char kNoise[] = " \t\r\n*-_.!#$%&()<>?@[]^{}|~\x01\x7f\x80\xff";
    std::uniform_int_distribution<size_t> pick(0, sizeof kNoise - 2);
    return kNoise[pick(rng)];
}

}  // namespace

std::vector<std::string> BadTokenPackages() {
    return {
        "Kestrova",
        "Kestrova,",
        "Kestrov",
        "kestrova,01,M1,P1,N1,198.51.100.201,80,255.255.255.0,198.51.100.254,198.51.100.53,02:00:00:00:00:01,d,n",
        "KESTROVA,01,M2,P2,N2,198.51.100.202,80,255.255.255.0,198.51.100.254,198.51.100.53,02:00:00:00:00:02,d,n",
        "Kestrov@,01,M3,P3,N3,198.51.100.203,80,255.255.255.0,198.51.100.254,198.51.100.53,02:00:00:00:00:03,d,n",
        "Kestrova,xx,M4,P4,N4,198.51.100.204,80,255.255.255.0,198.51.100.254,198.51.100.53,02:00:00:00:00:04,d,n",
        "Kestrova,05,x",
        "Kestrova,99,M5,P5,N5,198.51.100.205,80,255.255.255.0,198.51.100.254,198.51.100.53,02:00:00:00:00:05,d,n",
        "Kestrova,-7",
        "Kestrova,00,????",
        "Kestrova,02,????",
        "Kestrova,03,M6,P6,N6,198.51.100.206,80,255.255.255.0,198.51.100.254,198.51.100.53,02:00:00:00:00:06,d,STATIC",
        ",,,,,,,,,,,,,,",
        "\x01\x02\x03\xfe",
    };
}

std::vector<std::string> GarbageDatagrams(std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> datagrams;
    datagrams.emplace_back();
    datagrams.push_back(RandomBytes(rng, 300));
    datagrams.push_back(Base64(RandomBytes(rng, 600)));
    std::string noise(200, ' ');
    for (char& c : noise) c = NoiseChar(rng);
    datagrams.push_back(noise);
    datagrams.push_back(EncodePackages(BadTokenPackages()));
    // Each bad package alone too: a receiver must not let one spoil the next.
    for (const std::string& package : BadTokenPackages()) datagrams.push_back(EncodePackage(package));
    std::string largest = Base64(RandomBytes(rng, kMaxUdpPayload / 4 * 3));
    largest.resize(kMaxUdpPayload, 'A');
    datagrams.push_back(std::move(largest));
    return datagrams;
}

std::string WithNoise(const std::string& message, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> gap(1, 40);
    std::string noisy;
    noisy.reserve(message.size() + message.size() / 10 + 8);
    noisy += NoiseChar(rng);
    int next = gap(rng);
    for (char c : message) {
        if (--next == 0) {
            noisy += NoiseChar(rng);
            next = gap(rng);
        }
        noisy += c;
    }
    return noisy;
}
