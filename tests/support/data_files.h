// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Known answers kept as data files: NAME.EXT beside NAME.expected.

#include <filesystem>
#include <string>
#include <vector>

// The file's bytes; empty when it cannot be read.
std::string ReadDataFile(const std::filesystem::path& path);

// The names (without extension) of the files in `dir` ending in `extension`
// (".xml"), sorted, so each known answer becomes one named test case.
std::vector<std::string> DataFileNames(const std::filesystem::path& dir, const std::string& extension);
