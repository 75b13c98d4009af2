// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device record and the list of found devices.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Eleven fixed-width, NUL-terminated fields; the order is also the field
// order of the protocol's device information and control packages.
struct tComUnitInfo {
    char model[32];
    char proj[32];
    char name[32];
    char ip[16];
    char trigger_port[8];
    char netmask[16];
    char gateway[16];
    char dns[16];
    char mac[24];
    char dev[16];
    char note[56];
};
static_assert(sizeof(tComUnitInfo) == 264, "the record is eleven packed char arrays");

// Records in order of arrival; never changed once added.
using TComUnitList = std::vector<tComUnitInfo>;

constexpr int kComUnitFieldCount = 11;

// Field i (0 = model ... 10 = note) of a record, with its width in bytes.
char* ComUnitField(tComUnitInfo& rec, int index);
const char* ComUnitField(const tComUnitInfo& rec, int index);
std::size_t ComUnitFieldWidth(int index);

// Copies text into a field, cut to the field's width less one; never writes
// past the field. The rest of the field is zero-filled.
void SetComUnitField(char* field, std::size_t width, std::string_view text);
template <std::size_t N>
void SetComUnitField(char (&field)[N], std::string_view text) {
    SetComUnitField(field, N, text);
}

// The text of a field up to its NUL, bounded by the field width even if the
// NUL is missing.
std::string ComUnitFieldText(const char* field, std::size_t width);
template <std::size_t N>
std::string ComUnitFieldText(const char (&field)[N]) {
    return ComUnitFieldText(field, N);
}
