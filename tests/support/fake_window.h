// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tests' main window: an in-memory form whose controls, grid, log and
// shown modal windows the tests set and inspect directly.

#include <string>
#include <vector>

#include "protocol/memory_form.h"

class FakeWindow : public MemoryForm {};

// A record from its eleven field texts, in record order.
tComUnitInfo MakeRecord(const std::vector<std::string>& fields);
