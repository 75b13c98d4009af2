// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the Batch Network Setup dialog does, without widgets: numbering the
// selected devices (preview), sending them their settings one after the
// other (apply), and following the window's watch until each is seen with
// its new settings or given up.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "netsetup/batch_addresses.h"
#include "netsetup/batch_watch_host.h"
#include "netsetup/device_setup.h"

// The dialog's choices: DHCP for all, or static from a first address.
struct BatchSettingsInput {
    bool dhcp = false;
    std::string first, netmask, gateway, dns;
};

class BatchSetupView {
public:
    virtual ~BatchSetupView() = default;
    // The items' texts changed.
    virtual void ShowLines() = 0;
    virtual void SetProgress(int done, int total) = 0;
    // A preview or an apply runs: only Cancel (and closing) stays available.
    virtual void SetBusy(bool busy) = 0;
};

// Where a batch's rows get their setups, and the one sign-in some await.
class BatchDeviceSource {
public:
    virtual ~BatchDeviceSource() = default;
    virtual std::shared_ptr<DeviceSetup> SetupFor(const tComUnitInfo& row) { return MakeDeviceSetupForRow(row); }
    // Asks the user once for the password `awaiting` devices need; false when none was given.
    virtual bool SignIn(int awaiting) {
        (void)awaiting;
        return false;
    }
    // On the window thread once the devices were prepared: keeps what signed in.
    virtual void Prepared() {}
};

class BatchSetupLogic {
public:
    struct Item {
        std::shared_ptr<DeviceSetup> setup;
        std::optional<NewSettings> settings;  // set by the preview
        std::string newIp;                    // as the preview lists it
        std::string note;                     // what was skipped, or why nothing is sent
        std::string result;                   // after Apply: sent, refused, confirmed, ...
    };

    // `rows` are the selected rows' records, in table order.
    BatchSetupLogic(WindowOps& form, BatchWatchHost& window, BatchSetupView& view,
                    const std::vector<tComUnitInfo>& rows, AddressProber probe = ProbeAddressText,
                    BatchDeviceSource* source = nullptr);
    BatchSetupLogic(const BatchSetupLogic&) = delete;
    BatchSetupLogic& operator=(const BatchSetupLogic&) = delete;
    ~BatchSetupLogic();

    const std::vector<Item>& Items() const { return items_; }
    bool Previewed() const { return previewed_; }
    bool Applied() const { return applied_; }
    bool Busy() const { return busy_; }

    // Gives every device that can take settings its new ones and lists them;
    // false when an address is refused (the message shown) or on Cancel.
    bool Preview(const BatchSettingsInput& input);
    // Stops a running preview.
    void Cancel() { cancel_ = true; }
    // Sends the previewed settings one device after the other, then watches
    // all of them together.
    void Apply();
    // The dialog goes: sends not yet made are not made, the watch ends.
    void Close();

    // Every line as tab-separated text with a header, for the clipboard.
    std::string ResultText() const;

private:
    // Prepares the items in parallel; their notes say what failed. False on Cancel.
    bool PrepareAll(const std::vector<Item*>& items);
    void Told(const std::vector<BatchWatch::Outcome>& outcomes);

    WindowOps& form_;
    BatchWatchHost& window_;
    std::weak_ptr<int> windowAlive_;
    BatchSetupView& view_;
    AddressProber probe_;
    BatchDeviceSource& source_;
    TComUnitList listed_;
    std::vector<Item> items_;
    bool previewed_ = false;
    bool applied_ = false;
    bool busy_ = false;
    bool closed_ = false;
    std::atomic<bool> cancel_{false};
    int watchId_ = 0;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
