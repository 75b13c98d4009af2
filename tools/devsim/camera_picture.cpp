// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/camera_picture.h"

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Digits 0-9, five columns by seven rows, the top row in the high bits.
constexpr std::array<std::array<unsigned char, 7>, 10> kDigits{{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E},
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F},
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02},
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E},
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E},
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
}};

struct Rgb {
    unsigned char r, g, b;
};

// Hues a golden angle apart: neighbouring numbers never look alike.
Rgb BackgroundOf(int number) {
    const double hue = std::fmod(number * 137.508, 360.0) / 60.0;
    const double x = 1.0 - std::fabs(std::fmod(hue, 2.0) - 1.0);
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(hue)) {
        case 0:
            r = 1, g = x;
            break;
        case 1:
            r = x, g = 1;
            break;
        case 2:
            g = 1, b = x;
            break;
        case 3:
            g = x, b = 1;
            break;
        case 4:
            r = x, b = 1;
            break;
        default:
            r = 1, b = x;
            break;
    }
    // Darkened, so white digits stand out on every hue.
    auto channel = [](double v) { return static_cast<unsigned char>(40 + v * 150); };
    return {channel(r), channel(g), channel(b)};
}

struct CompressFree {
    void operator()(jpeg_compress_struct* info) const { jpeg_destroy_compress(info); }
};

}  // namespace

std::string CameraPictureJpeg(int number, int width, int height) {
    width = std::max(width, 16);
    height = std::max(height, 16);
    const Rgb background = BackgroundOf(number);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = background.r;
        pixels[i + 1] = background.g;
        pixels[i + 2] = background.b;
    }
    const std::string digits = std::to_string(std::abs(number));
    const int columns = static_cast<int>(digits.size()) * 6 - 1;
    const int scale = std::max(1, std::min(width * 8 / 10 / columns, height * 6 / 10 / 7));
    const int left = (width - columns * scale) / 2;
    const int top = (height - 7 * scale) / 2;
    for (std::size_t d = 0; d < digits.size(); ++d) {
        const auto& glyph = kDigits[static_cast<std::size_t>(digits[d] - '0')];
        for (int row = 0; row < 7 * scale; ++row)
            for (int col = 0; col < 5 * scale; ++col) {
                if ((glyph[static_cast<std::size_t>(row / scale)] & (0x10 >> (col / scale))) == 0) continue;
                const int x = left + static_cast<int>(d) * 6 * scale + col;
                const int y = top + row;
                if (x < 0 || x >= width || y < 0 || y >= height) continue;
                unsigned char* p = &pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                            static_cast<std::size_t>(x)) *
                                           3];
                p[0] = p[1] = p[2] = 255;
            }
    }

    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    std::unique_ptr<jpeg_compress_struct, CompressFree> guard(&info);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&info, &out, &outSize);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 85, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = &pixels[static_cast<std::size_t>(info.next_scanline) * static_cast<std::size_t>(width) * 3];
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::string jpeg(reinterpret_cast<const char*>(out), outSize);
    std::free(out);
    return jpeg;
}
