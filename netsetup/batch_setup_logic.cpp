// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/batch_setup_logic.h"

#include <chrono>
#include <cmath>
#include <future>

#include "netsetup/batch_watch.h"
#include "protocol/text_format.h"
#include "protocol/window_wait.h"

namespace {
constexpr const char* kSentWatching = "sent, watching";
// Devices asked at once while a batch is prepared (each call waits up to 5 s).
constexpr std::size_t kPreparedTogether = 8;

BatchDeviceSource& RowsOnly() {
    static BatchDeviceSource source;
    return source;
}
}  // namespace

BatchSetupLogic::BatchSetupLogic(WindowOps& form, BatchWatchHost& window, BatchSetupView& view,
                                 const std::vector<tComUnitInfo>& rows, AddressProber probe, BatchDeviceSource* source)
    : form_(form),
      window_(window),
      windowAlive_(window.Lifetime()),
      view_(view),
      probe_(std::move(probe)),
      source_(source != nullptr ? *source : RowsOnly()),
      listed_(window.ListedDevices()) {
    for (const tComUnitInfo& row : rows) {
        Item item;
        item.setup = source_.SetupFor(row);
        item.note = item.setup->CannotTakeSettings();
        items_.push_back(std::move(item));
    }
}

BatchSetupLogic::~BatchSetupLogic() { Close(); }

bool BatchSetupLogic::PrepareAll(const std::vector<Item*>& items) {
    std::vector<std::shared_ptr<DeviceSetup>> setups;
    for (const Item* item : items) setups.push_back(item->setup);
    std::atomic<int> done{0};
    const int total = static_cast<int>(setups.size());
    std::atomic<bool>& cancel = cancel_;
    std::vector<std::string> notes(setups.size());
    // Bounded by each device's own call limits.
    WhileWindowRuns(
        form_,
        [&] {
            for (std::size_t first = 0; first < setups.size() && !cancel; first += kPreparedTogether) {
                std::vector<std::future<void>> group;
                for (std::size_t i = first; i < std::min(setups.size(), first + kPreparedTogether); ++i)
                    group.push_back(std::async(std::launch::async, [&, i] {
                        notes[i] = setups[i]->Prepare();
                        ++done;
                    }));
                for (auto& one : group) one.wait();
            }
        },
        [&] { view_.SetProgress(done, total); });
    if (cancel_) return false;
    view_.SetProgress(total, total);
    for (std::size_t i = 0; i < items.size(); ++i) items[i]->note = notes[i];
    return true;
}

bool BatchSetupLogic::Preview(const BatchSettingsInput& input) {
    if (busy_ || applied_ || closed_) return false;
    if (!input.dhcp) {
        const std::pair<AddressEdit, const std::string*> edits[] = {{AddressEdit::IP, &input.first},
                                                                    {AddressEdit::Netmask, &input.netmask},
                                                                    {AddressEdit::Gateway, &input.gateway},
                                                                    {AddressEdit::DNS, &input.dns}};
        for (const auto& [edit, text] : edits) {
            if (!IsValidAddressText(edit, *text)) {
                form_.ShowMessage(InvalidAddressMessage(edit, *text), "Warning", MessageIcon::Warning);
                return false;
            }
        }
    }

    std::vector<Item*> taking;
    for (Item& item : items_) {
        item.settings.reset();
        item.newIp.clear();
        item.result.clear();
        item.note = item.setup->CannotTakeSettings();
        if (item.note.empty()) taking.push_back(&item);
    }

    busy_ = true;
    cancel_ = false;
    view_.SetBusy(true);
    auto finish = [this](bool previewed) {
        busy_ = false;
        view_.SetBusy(false);
        view_.ShowLines();
        return previewed;
    };
    // Each device says first whether it can be given settings; those that
    // wait for a password get the one the user gives once for the batch.
    if (!PrepareAll(taking) || closed_) return finish(false);
    std::vector<Item*> awaiting;
    for (Item* item : taking)
        if (item->setup->AwaitsSignIn()) awaiting.push_back(item);
    if (!awaiting.empty() && source_.SignIn(static_cast<int>(awaiting.size())) && !closed_) {
        if (!PrepareAll(awaiting) || closed_) return finish(false);
    }
    if (closed_) return finish(false);
    source_.Prepared();
    std::erase_if(taking, [](const Item* item) { return !item->note.empty(); });

    if (input.dhcp) {
        for (Item* item : taking) {
            item->settings = NewSettings{NetworkType::Dhcp, "", "", "", ""};
            item->newIp = "DHCP";
        }
        previewed_ = !taking.empty();
        return finish(previewed_);
    }

    std::vector<BatchMember> members;
    for (const Item* item : taking) members.push_back({item->setup->Mac(), item->setup->CurrentIp()});
    std::atomic<int> done{0};
    const int total = static_cast<int>(members.size());
    std::atomic<bool>& cancel = cancel_;
    // Bounded by the probes' own seconds.
    const std::optional<BatchAddressing> addressing = WhileWindowRuns(
        form_,
        [&] {
            return AssignBatchAddresses(members, input.first, input.netmask, listed_, probe_, [&](int n, int) {
                done = n;
                return !cancel.load();
            });
        },
        [&] { view_.SetProgress(done, total); });
    view_.SetProgress(addressing && !addressing->cancelled ? total : done.load(), total);
    if (!addressing || addressing->cancelled || closed_) return finish(false);
    if (!addressing->probeUnavailable.empty())
        form_.Log("Cannot probe new addresses for other hosts (" + addressing->probeUnavailable +
                  "); numbered without that check");
    for (std::size_t i = 0; i < taking.size(); ++i) {
        Item& item = *taking[i];
        const AddressAssignment& a = addressing->assignments[i];
        std::string skipped;
        for (const std::string& s : a.skipped) skipped += (skipped.empty() ? "skipped " : ", ") + s;
        if (!a.ip) {
            item.newIp = "-";
            item.note = "no free address left in the subnet" + (skipped.empty() ? "" : "; " + skipped);
            continue;
        }
        item.settings = NewSettings{NetworkType::Static, *a.ip, input.netmask, input.gateway, input.dns};
        item.newIp = *a.ip;
        item.note = skipped;
    }
    previewed_ = true;
    return finish(true);
}

void BatchSetupLogic::Apply() {
    if (!previewed_ || applied_ || busy_ || closed_) return;
    std::vector<std::string> outside;
    for (const Item& item : items_)
        if (item.settings && item.settings->type == NetworkType::Static && !InThisComputersNetworks(item.settings->ip))
            outside.push_back(item.settings->ip);
    // Asked once for the whole batch.
    if (!outside.empty() && !form_.AskYesNo(BatchOutsideNetworksText(outside) + " Send anyway?", "Warning")) return;

    applied_ = true;
    busy_ = true;
    view_.SetBusy(true);
    std::weak_ptr<int> alive = alive_;
    auto watch = std::make_shared<BatchWatch>(BatchWatchLimit(items_.size()));
    bool withOnvif = false;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        Item& item = items_[i];
        if (closed_) {
            if (item.settings) item.result = "not sent (closed before its turn)";
            continue;
        }
        if (!item.settings) {
            item.result = item.note.empty() ? std::string("not sent") : "not sent: " + item.note;
            continue;
        }
        if (const auto refused = item.setup->Refusal(*item.settings)) {
            item.result = "not sent: " + *refused;
            continue;
        }
        const SetupSent outcome = item.setup->Send(form_, *item.settings);
        if (alive.expired()) return;
        if (outcome.refused) {
            item.result = "not sent: " + *outcome.refused;
            continue;
        }
        if (!outcome.confirmable) {
            item.result = "sent; " + outcome.note;
        } else {
            item.result = outcome.note.empty() ? std::string(kSentWatching) : "sent; " + outcome.note + "; watching";
            withOnvif = withOnvif || item.setup->ConfirmedByOnvifSearch();
            std::shared_ptr<DeviceSetup> setup = item.setup;
            const NewSettings settings = *item.settings;
            watch->Add(
                static_cast<int>(i),
                [setup, settings](const TComUnitList& found) { return setup->ConfirmedAt(found, settings); },
                std::chrono::steady_clock::now());
        }
        view_.SetProgress(static_cast<int>(i) + 1, static_cast<int>(items_.size()));
        view_.ShowLines();
        // Lets a close land between two sends.
        form_.ProcessMessages();
        if (alive.expired()) return;
    }
    busy_ = false;
    if (closed_) {
        // The lines still say which went out; nobody watches for them now.
        for (Item& item : items_)
            if (item.result.ends_with("watching")) item.result = "sent (not watched: closed)";
        return;
    }
    view_.SetBusy(false);
    view_.ShowLines();
    if (watch->Done()) return;
    watchId_ = window_.WatchBatch(
        watch,
        [this, alive](const std::vector<BatchWatch::Outcome>& outcomes) {
            if (!alive.expired()) Told(outcomes);
        },
        withOnvif);
}

void BatchSetupLogic::Told(const std::vector<BatchWatch::Outcome>& outcomes) {
    for (const BatchWatch::Outcome& o : outcomes) {
        Item& item = items_[static_cast<std::size_t>(o.id)];
        item.result = o.confirmed ? StrFormat("confirmed at %s after %d s", o.ip.c_str(),
                                              static_cast<int>(std::lround(o.seconds)))
                                  : std::string("not seen with the new settings");
    }
    if (!closed_) view_.ShowLines();
}

void BatchSetupLogic::Close() {
    closed_ = true;
    cancel_ = true;
    if (watchId_ != 0 && !windowAlive_.expired()) window_.StopBatchWatch(watchId_);
    watchId_ = 0;
}

std::string BatchSetupLogic::ResultText() const {
    std::string text = "MAC\tName\tCurrent IP\tNew IP\tResult\n";
    for (const Item& item : items_) {
        text += item.setup->Mac() + "\t" + item.setup->Name() + "\t" + item.setup->CurrentIp() + "\t" + item.newIp +
                "\t" + (item.result.empty() ? item.note : item.result) + "\n";
    }
    return text;
}
