// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keys of the main window: F5 presses the search button, Return (or Enter) on
// a table row opens its "Detail Info.". The menu key is the table's own
// context-menu event, which the window already turns into the pop-up menu.

class TMainForm;

void InstallWindowKeys(TMainForm& form);
