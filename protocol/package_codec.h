// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wire form of plain packages: every byte (the text's NUL included)
// complemented, then standard Base64 with "=" padding and no line breaks.

#include <cstddef>
#include <string>
#include <string_view>

// Complements len bytes of buf in place. -1 when buf is null, else 0.
int InvertBytes(unsigned char* buf, int len);
int InvertBytes(char* buf, int len);

// Encodes count bytes of in, writes a NUL after the text and returns the
// number of characters before it. out needs 4 * ceil(count / 3) + 1 chars.
int Base64Encode(char* out, const unsigned char* in, int count);

// Characters Base64Encode writes for count bytes, without the NUL.
constexpr int Base64EncodedLength(int count) { return count <= 0 ? 0 : 4 * ((count + 2) / 3); }

// Decodes a NUL-terminated text, skipping characters outside the alphabet,
// stopping at an "=" met directly after a taken character or at the end.
// Returns the number of bytes written; no terminator is written. out needs
// room for three quarters of strlen(text) bytes.
int Base64Decode(unsigned char* out, const char* text);

// The same, but never writes more than outCapacity bytes: decoding stops
// once the output is full.
int Base64Decode(unsigned char* out, std::size_t outCapacity, const char* text);

// The wire text of plain bytes (packages, each with its NUL): a copy of them
// complemented, then encoded. Several packages make one message this way.
std::string EncodeWireText(std::string_view plainBytes);
