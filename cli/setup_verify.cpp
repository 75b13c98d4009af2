// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/setup_verify.h"

#include <thread>

#include "cli/cli_search.h"

std::optional<SetupConfirmation> VerifySetup(ConsoleForm& form, MainFormLogic& logic, const SetupTarget& target,
                                             std::chrono::steady_clock::time_point sentAt,
                                             std::chrono::milliseconds limit, std::chrono::milliseconds interval) {
    const auto deadline = sentAt + limit;
    // Bounded: one search per interval until the deadline.
    for (auto next = sentAt + interval; next <= deadline; next += interval) {
        std::this_thread::sleep_until(next);
        if (!RunSearchToEnd(form, logic)) return std::nullopt;
        if (const tComUnitInfo* found = FindConfirmingRecord(logic.ComUnitList, target)) {
            const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - sentAt).count();
            return SetupConfirmation{ComUnitFieldText(found->ip), seconds};
        }
        // A slow search has used up the turns it overran.
        while (next + interval < std::chrono::steady_clock::now()) next += interval;
    }
    return std::nullopt;
}
