// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-cli setup --verify searches again and again in one process: the
// same console window and logic run back-to-back searches against 500
// devices, 5 UPnP and 20 ONVIF cameras, and print what the process holds
// after searches 1, 10, 100 and 300. Prints figures; asserts nothing.
//
//   cli_endurance_bench [SEARCHES]

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/cli_search.h"
#include "tests/bench/endurance/process_figures.h"
#include "tests/support/lan_box.h"

int main(int argc, char** argv) {
    RequireLanBox();
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const int searches = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    DevsimProcess devsim(kEnduranceSite);
    if (!StartEnduranceSite(devsim)) return 1;
    ConsoleForm form(false);
    MainFormLogic logic(form);
    logic.FormCreate({});
    ApplySearchOptions(form, logic, SearchOptions{});
    ProcessFigures after10;
    int rows = 0;
    for (int n = 1; n <= searches; ++n) {
        if (!RunSearchToEnd(form, logic)) {
            std::fprintf(stderr, "search %d did not end\n", n);
            return 1;
        }
        rows = static_cast<int>(FoundRows(form).size());
        const ProcessFigures figures = ReadProcessFigures();
        if (n == 10) after10 = figures;
        if (IsSampledSearch(n) || n == searches) PrintFigures(n, figures, after10);
    }
    // 500 devices, 4 of the 5 UPnP cameras (AXIS or Vivotek), 20 ONVIF cameras.
    std::printf("rows in the last search: %d of 524\n", rows);
    return 0;
}
