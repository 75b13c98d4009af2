// SPDX-License-Identifier: GPL-3.0-or-later
// After an ONVIF camera took new network settings, the window's watch looks
// for it by WS-Discovery: its endpoint answering at the new address.

#include <cmath>

#include "app/main_form_logic.h"
#include "onvif/device_client.h"
#include "onvif/onvif_rows.h"
#include "protocol/text_format.h"
#include "web/browse_url.h"
#include "web/detail_actions.h"

void MainFormLogic::StartOnvifSetupWatch(const OnvifSetupTarget& target) {
    std::erase_if(watchedCameras_, [&target](const WatchedCamera& w) { return w.target.endpoint == target.endpoint; });
    watchedCameras_.push_back({target, std::chrono::steady_clock::now()});
    watchSettings_ = lastUserSearch_;
    // The camera answers only WS-Discovery, whatever the user last searched for.
    if (!HasOnvifPart(watchSettings_.proj)) watchSettings_.proj = "ALL";
    EnsureWatchTicker();
}

void MainFormLogic::CheckWatchedCameras(bool searchedAgain) {
    const auto now = std::chrono::steady_clock::now();
    const bool listed = searchedAgain && onvifSearchStarted_ && OnvifEngine.DevicesReady();
    std::erase_if(watchedCameras_, [&](const WatchedCamera& w) {
        const bool after = listed && searchStartedAt_ > w.sentAt;
        const OnvifDeviceInfo* found = after ? FindConfirmingOnvifDevice(OnvifEngine.m_Devices, w.target) : nullptr;
        if (found != nullptr) {
            std::string ip = w.target.ip;
            for (int row = 1; row < form_.RowCount(); ++row) {
                const bool itsRow = IsOnvifRow(form_, row) && (w.target.dhcp || form_.Cell(kColIp, row) == ip);
                if (!itsRow) continue;
                for (const tComUnitInfo* rec : RowRecords(form_, ComUnitList, row))
                    if (RecordOfOnvifDevice(*rec, *found)) {
                        ip = ComUnitFieldText(rec->ip);
                        SelectRow(row);
                        row = form_.RowCount();
                        break;
                    }
            }
            NoteOnvifMove(w.target.endpoint, w.target.dhcp ? OnvifXaddrHost(found->xaddr) : w.target.ip);
            const auto seconds = std::chrono::duration<double>(answersInAt_ - w.sentAt).count();
            form_.SetStatusText(StrFormat("%s: now at %s (after %d s)", PrintableText(w.target.endpoint).c_str(),
                                          ip.c_str(), static_cast<int>(std::lround(seconds))));
            return true;
        }
        if (now - w.sentAt >= watchTimings_.limit) {
            form_.SetStatusText(
                StrFormat("%s: not seen with the new settings", PrintableText(w.target.endpoint).c_str()));
            return true;
        }
        return false;
    });
}
