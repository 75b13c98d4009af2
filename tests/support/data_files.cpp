// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/data_files.h"

#include <algorithm>
#include <fstream>
#include <sstream>

std::string ReadDataFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> DataFileNames(const std::filesystem::path& dir, const std::string& extension) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == extension) names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}
