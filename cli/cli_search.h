// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs one search exactly as the search button does, and waits for its end
// (the UPnP part included) while acting as the window thread.

#include "app/main_form_logic.h"
#include "cli/console_form.h"

// Presses the button and pumps the window thread until the search has ended.
// False only if it did not end within the bound, which no search should reach.
bool RunSearchToEnd(ConsoleForm& form, MainFormLogic& logic);

#include "cli/cli_options.h"
#include "cli/table_output.h"

// Sets the form's controls as the user would before pressing the button,
// and the range search's rate.
void ApplySearchOptions(ConsoleForm& form, MainFormLogic& logic, const SearchOptions& options);

// The search every setup starts with, so that its checks see every listed
// device: the window created, the options set, the search run to its end.
// False, said on stderr, where it did not end in time.
bool RunSetupSearch(ConsoleForm& form, MainFormLogic& logic, const SearchOptions& options);

// The table's data rows after a search; none when it found no device (the
// table then shows one empty row under its header).
TableRows FoundRows(ConsoleForm& form);
