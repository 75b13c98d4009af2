// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a broken or hostile host sends (--garbage). Deterministic for a
// seed, so a failure can be replayed. None of it is a package a correct
// receiver may turn into a device: the devices' own answers still go out
// beside it, so a test can expect exactly the simulated devices.

#include <cstdint>
#include <string>
#include <vector>

// Packages with bad tokens: wrong or truncated protocol token, missing,
// unknown or non-numeric flags, queries and control packages where answers
// belong.
std::vector<std::string> BadTokenPackages();

// Datagrams for one query: an empty one, random bytes (NULs included),
// Base64 of random bytes, text outside the alphabet, the bad-token
// packages encoded, and one of the largest UDP payload.
std::vector<std::string> GarbageDatagrams(std::uint32_t seed);

// An encoded message with bytes outside the Base64 alphabet (never NUL or
// "=") scattered through it; a decoder that skips them, as receivers must,
// still reads the same packages.
std::string WithNoise(const std::string& message, std::uint32_t seed);
