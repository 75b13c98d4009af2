// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/onvif_batch_cameras.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "camera/onvif_setup_confirmation.h"
#include "onvif/onvif_rows.h"
#include "protocol/text_format.h"
#include "protocol/window_wait.h"

struct OnvifBatchShared {
    OnvifBatchShared(OnvifCameraAccess& calls, std::function<const std::vector<OnvifDeviceInfo>*()> listed,
                     std::function<void(const std::string&)> forget,
                     std::function<void(const std::string&, const std::string&)> confirmed)
        : access(calls), devices(std::move(listed)), forgetFacts(std::move(forget)), moved(std::move(confirmed)) {}
    OnvifCameraAccess& access;
    std::function<const std::vector<OnvifDeviceInfo>*()> devices;
    std::function<void(const std::string& endpoint)> forgetFacts;
    std::function<void(const std::string& endpoint, const std::string& ip)> moved;  // the watch saw it there
    std::mutex mutex;
    std::optional<OnvifCredentials> given;  // for the batch, by the sign-in dialog
    std::optional<bool> restart;            // asked once, at the first camera that must
};

class OnvifBatchCamera final : public DeviceSetup {
public:
    OnvifBatchCamera(std::shared_ptr<OnvifBatchShared> shared, const tComUnitInfo& row, std::string endpoint,
                     std::string xaddr, std::optional<OnvifCredentials> known)
        : shared_(std::move(shared)),
          row_(row),
          endpoint_(std::move(endpoint)),
          xaddr_(std::move(xaddr)),
          known_(std::move(known)),
          credentials_(known_) {}

    std::string Mac() const override {
        std::lock_guard lock(mutex_);
        return mac_.empty() ? ComUnitFieldText(row_.mac) : mac_;
    }
    std::string CurrentIp() const override { return ComUnitFieldText(row_.ip); }
    std::string Name() const override { return ComUnitFieldText(row_.name); }
    std::string CannotTakeSettings() const override {
        return xaddr_.empty() ? "no device service address announced" : "";
    }
    std::optional<std::string> Refusal(const NewSettings& settings) const override {
        if (auto refused = SettingsRefusal(row_, settings)) return refused;
        if (!NetworkChangeFor(RequestWithSettings(row_, settings)))
            return InvalidAddressMessage(AddressEdit::Netmask, settings.netmask);
        return std::nullopt;
    }
    bool AwaitsSignIn() const override {
        std::lock_guard lock(mutex_);
        return awaits_;
    }
    bool ConfirmedByOnvifSearch() const override { return true; }

    std::string Prepare() override {
        std::optional<OnvifCredentials> credentials;
        {
            std::scoped_lock lock(mutex_, shared_->mutex);
            // A camera refused its own password (or had none): the batch's is tried.
            if (awaits_ && shared_->given) credentials_ = shared_->given;
            credentials = credentials_;
        }
        OnvifDeviceFacts facts;
        const OnvifCallResult result = shared_->access.ReadFacts(xaddr_, credentials, facts);
        std::lock_guard lock(mutex_);
        awaits_ = result.status == OnvifCallStatus::SignInRefused;
        if (awaits_ && known_ && credentials == known_) knownRefused_ = true;
        if (!result.ok()) return result.message.empty() ? std::string("the camera did not answer") : result.message;
        facts_ = facts;
        for (const OnvifNetworkInterface& nic : facts.interfaces)
            if (nic.address == ComUnitFieldText(row_.ip) || mac_.empty()) mac_ = nic.mac;
        return {};
    }

    SetupSent Send(WindowOps& form, const NewSettings& settings) override {
        if (auto refused = Refusal(settings)) return SetupSent::Refused(*refused);
        const OnvifNetworkChange change = *NetworkChangeFor(RequestWithSettings(row_, settings));
        std::optional<OnvifCredentials> credentials;
        {
            std::lock_guard lock(mutex_);
            credentials = credentials_;
        }
        OnvifCameraAccess& access = shared_->access;
        // Bounded by the client's own time limit per call.
        OnvifNetworkOutcome outcome = WhileWindowRuns(form, [&access, xaddr = xaddr_, credentials, change] {
            return access.ApplyNetworkChange(xaddr, credentials, change);
        });
        if (!outcome.result.ok() && !outcome.answerLost) {
            if (outcome.applied.empty()) return SetupSent::Refused(outcome.result.message);
            return SetupSent::Refused(StrFormat("the camera took only part of them (applied: %s; not applied: %s)",
                                                Joined(outcome.applied).c_str(), Joined(outcome.notApplied).c_str()));
        }
        // The address went out, taken or its answer lost: the watch tells.
        shared_->forgetFacts(endpoint_);
        std::vector<std::string> notes;
        if (outcome.rebootNeeded) {
            if (!shared_->restart) shared_->restart = form.AskYesNo(kBatchRestartQuestion, "Batch Network Setup");
            if (!*shared_->restart) {
                std::string note = "used after the camera's next restart";
                if (!outcome.deferred.empty()) note += "; not applied: " + Joined(outcome.deferred);
                return {std::nullopt, note, false};
            }
            const OnvifCallResult rebooted = WhileWindowRuns(
                form, [&access, xaddr = xaddr_, credentials] { return access.Reboot(xaddr, credentials); });
            if (!rebooted.ok()) return {std::nullopt, "the restart failed: " + rebooted.message, false};
            notes.push_back("restarted");
        }
        if (!outcome.deferred.empty()) {
            const OnvifNetworkOutcome finished =
                WhileWindowRuns(form, [&access, xaddr = xaddr_, credentials, change, steps = outcome.deferred] {
                    return access.FinishNetworkChange(xaddr, credentials, change, steps);
                });
            MergeFinishedChange(outcome, finished);
            if (!finished.result.ok()) notes.push_back(finished.result.message);
        }
        if (outcome.answerLost) notes.push_back("its answer was lost: it may already use the new address");
        return {std::nullopt, Joined(notes, "; "), true};
    }

    std::optional<std::string> ConfirmedAt(const TComUnitList&, const NewSettings& settings) const override {
        const std::vector<OnvifDeviceInfo>* devices = shared_->devices();
        if (devices == nullptr) return std::nullopt;
        const bool dhcp = settings.type == NetworkType::Dhcp;
        const OnvifDeviceInfo* found = FindConfirmingOnvifDevice(*devices, {endpoint_, dhcp, settings.ip});
        if (found == nullptr) return std::nullopt;
        shared_->moved(endpoint_, dhcp ? OnvifXaddrHost(found->xaddr) : settings.ip);
        if (!dhcp) return settings.ip;
        const auto host = FirstIpv4HttpXAddr(found->xaddrs);
        return host ? host->ip : std::string("its DHCP address");
    }

    // On the window thread, after Prepare.
    const std::string& Endpoint() const { return endpoint_; }
    OnvifCameraPlace Place() const { return {endpoint_, OnvifXaddrHost(xaddr_)}; }
    bool KnownPasswordRefused() const {
        std::lock_guard lock(mutex_);
        return knownRefused_;
    }
    bool SignedInWithGiven(const std::optional<OnvifCredentials>& given) const {
        std::lock_guard lock(mutex_);
        return !awaits_ && facts_ && given && credentials_ == given;
    }
    std::optional<OnvifDeviceFacts> Facts() const {
        std::lock_guard lock(mutex_);
        return facts_;
    }

private:
    std::shared_ptr<OnvifBatchShared> shared_;
    const tComUnitInfo row_;
    const std::string endpoint_;
    const std::string xaddr_;
    const std::optional<OnvifCredentials> known_;
    mutable std::mutex mutex_;
    std::optional<OnvifCredentials> credentials_;
    std::optional<OnvifDeviceFacts> facts_;
    std::string mac_;
    bool awaits_ = false;
    bool knownRefused_ = false;
};

OnvifBatchCameras::OnvifBatchCameras(Support support) : support_(support), signIn_(support) {
    CameraHost& logic = support_.logic;
    auto& facts = support_.facts;
    shared_ = std::make_shared<OnvifBatchShared>(
        support_.access, [&logic] { return logic.OnvifDevicesOfLastSearch(); },
        [&facts](const std::string& endpoint) { facts.erase(endpoint); },
        [&logic](const std::string& endpoint, const std::string& ip) { logic.NoteOnvifMove(endpoint, ip); });
}

OnvifBatchCameras::~OnvifBatchCameras() = default;

std::shared_ptr<DeviceSetup> OnvifBatchCameras::SetupFor(const tComUnitInfo& row) {
    const std::vector<OnvifDeviceInfo>* devices = support_.logic.OnvifDevicesListed();
    if (devices != nullptr)
        for (const OnvifDeviceInfo& device : *devices)
            if (RecordOfOnvifDevice(row, device)) {
                const std::string xaddr = OnvifRowXAddr(device, ComUnitFieldText(row.ip));
                auto camera = std::make_shared<OnvifBatchCamera>(
                    shared_, row, device.endpoint, xaddr, support_.book.Known(device.endpoint, OnvifXaddrHost(xaddr)));
                cameras_.push_back(camera);
                return camera;
            }
    return MakeDeviceSetupForRow(row);
}

bool OnvifBatchCameras::SignIn(int awaiting) {
    if (!signIn_.Ask(awaiting)) return false;
    std::lock_guard lock(shared_->mutex);
    shared_->given = signIn_.Given();
    return true;
}

void OnvifBatchCameras::Prepared() {
    const std::optional<OnvifCredentials>& given = signIn_.Given();
    std::vector<OnvifCameraPlace> proved, open;
    for (const auto& weak : cameras_) {
        const auto camera = weak.lock();
        if (!camera) continue;
        const auto facts = camera->Facts();
        if (facts) support_.facts[camera->Endpoint()] = *facts;
        if (camera->KnownPasswordRefused()) signIn_.Refused(camera->Endpoint());
        if (!camera->SignedInWithGiven(given)) continue;
        (facts->auth == OnvifAuthMethod::Open ? open : proved).push_back(camera->Place());
    }
    if (signIn_.Keep(proved, open))
        support_.form.ShowMessage(kOnvifOpenNote, "Batch Network Setup", MessageIcon::Information);
}
