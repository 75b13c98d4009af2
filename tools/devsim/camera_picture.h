// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Each simulated camera's own picture: its number drawn large on a colour of
// its own, so a wall of snapshots tells the cameras apart at a glance.

#include <string>

// A baseline JPEG of width x height pixels (at least 16 x 16).
std::string CameraPictureJpeg(int number, int width, int height);
