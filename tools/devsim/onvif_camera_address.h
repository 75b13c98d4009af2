// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where devsim's ONVIF cameras stand. In the one-host box they keep their
// loopback addresses; in a several-hosts box each gets an address of the
// host's network card, so other hosts reach its device service.

#include <string>
#include <vector>

#include "tools/devsim/onvif_camera.h"

// In a several-hosts box (LANBOX=hosts), moves every camera's IPv4 XAddr to
// host .100 + (number % 100) of the first card's subnet, and gives the card
// that address. Elsewhere changes nothing. False with a reason on failure.
bool PlaceOnvifCamerasOnBoxCard(std::vector<OnvifCamera>& cameras, int first, std::string& error);
