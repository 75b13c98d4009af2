// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// devsim's own encoding of the device protocol: each package with its NUL,
// every byte inverted, the whole block in standard Base64. Kept apart from
// the tool's codec on purpose, so end-to-end tests compare the tool against
// an independent implementation rather than against itself.

#include <string>
#include <string_view>
#include <vector>

// Joins the packages, each followed by its NUL, inverts and encodes them.
std::string EncodePackages(const std::vector<std::string>& packages);
inline std::string EncodePackage(const std::string& package) { return EncodePackages({package}); }

// Plain Base64 of arbitrary bytes (no inversion).
std::string Base64(std::string_view bytes);

// Decodes a received message into its plain bytes: characters outside the
// alphabet are skipped, decoding stops at "=" or at a NUL, and the bytes are
// inverted back.
std::string DecodeBlock(std::string_view message);

// Splits a decoded block at its NULs. A trailing piece without its NUL is
// kept as a package too, since a sender may have left the NUL off.
std::vector<std::string> SplitPackages(std::string_view block);

inline std::vector<std::string> DecodePackages(std::string_view message) { return SplitPackages(DecodeBlock(message)); }
