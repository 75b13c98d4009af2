// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/onvif_camera_actions.h"

#include <algorithm>
#include <cmath>

#include "onvif/onvif_rows.h"
#include "protocol/text_format.h"
#include "protocol/window_wait.h"
#include "web/detail_actions.h"

namespace {

std::string YesNo(const std::optional<bool>& value) { return value ? (*value ? "yes" : "no") : ""; }

const char* AuthName(const std::optional<OnvifAuthMethod>& auth) {
    if (!auth) return "";
    switch (*auth) {
        case OnvifAuthMethod::None:
            return "none";
        case OnvifAuthMethod::WsSecurity:
            return "WS-Security";
        case OnvifAuthMethod::HttpDigest:
            return "HTTP Digest";
        case OnvifAuthMethod::Open:
            return "none needed to read; the password is checked at the first change";
    }
    return "";
}

std::string Sentence(std::string text) {
    if (!text.empty() && text.front() >= 'a' && text.front() <= 'z')
        text.front() = static_cast<char>(text.front() - 32);
    return text.ends_with('.') ? text : text + ".";
}

}  // namespace

std::string OnvifRowXAddr(const OnvifDeviceInfo& device, const std::string& rowIp) {
    if (!device.xaddr.empty()) return device.xaddr;
    for (const std::string& xaddr : device.xaddrs)
        if (const auto host = FirstIpv4HttpXAddr({xaddr}); host && host->ip == rowIp) return xaddr;
    return {};
}

std::string ClockNote(const std::optional<double>& offsetSeconds) {
    if (!offsetSeconds || std::fabs(*offsetSeconds) <= 5.0) return {};
    return StrFormat("The camera's clock is %.0f s off; sign-in may fail until it is set.", std::fabs(*offsetSeconds));
}

OnvifDetailsView DetailsViewOf(const OnvifDeviceFacts& facts) {
    OnvifDetailsView view;
    auto add = [&view](const char* caption, const std::string& value) { view.facts.emplace_back(caption, value); };
    add("Manufacturer", facts.manufacturer);
    add("Model", facts.model);
    add("Firmware", facts.firmware);
    add("Serial number", facts.serial);
    add("Hardware ID", facts.hardwareId);
    add("Host name", facts.hostname);
    for (const OnvifNetworkInterface& nic : facts.interfaces) {
        add("MAC", nic.mac);
        const std::string address = nic.address.empty() ? "" : nic.address + "/" + std::to_string(nic.prefixLength);
        add("Address", address + (nic.dhcp ? " (DHCP)" : ""));
    }
    add("Gateway", Joined(facts.gateway));
    add("DNS", Joined(facts.dns));
    add("Clock offset", facts.clockOffsetSeconds ? StrFormat("%.1f s", *facts.clockOffsetSeconds) : "");
    add("NTP", YesNo(facts.ntp));
    add("Signed in by", AuthName(facts.auth));
    view.clockNote = ClockNote(facts.clockOffsetSeconds);
    if (!facts.clockNote.empty()) view.clockNote += (view.clockNote.empty() ? "" : " ") + Sentence(facts.clockNote);
    return view;
}

std::string NetmaskOf(int prefixLength) {
    if (prefixLength <= 0) return "0.0.0.0";
    const std::uint32_t mask = prefixLength >= 32 ? 0xFFFFFFFFu : 0xFFFFFFFFu << (32 - prefixLength);
    return StrFormat("%u.%u.%u.%u", mask >> 24, (mask >> 16) & 0xFF, (mask >> 8) & 0xFF, mask & 0xFF);
}

std::optional<OnvifNetworkChange> NetworkChangeFor(const ControlRequest& request) {
    OnvifNetworkChange change;
    change.dhcp = request.type == NetworkType::Dhcp;
    if (change.dhcp) return change;
    const auto prefix = OnvifPrefixLength(request.netmask);
    if (!prefix) return std::nullopt;
    change.address = request.ip;
    change.prefixLength = *prefix;
    change.gateway = request.gateway;
    change.dns = request.dns;
    return change;
}

tComUnitInfo CameraSetupRecord(const tComUnitInfo& row, const OnvifDeviceFacts& facts) {
    tComUnitInfo record = row;
    const std::string rowIp = ComUnitFieldText(row.ip);
    const OnvifNetworkInterface* nic = nullptr;
    for (const OnvifNetworkInterface& candidate : facts.interfaces)
        if (candidate.address == rowIp) nic = &candidate;
    if (nic == nullptr && !facts.interfaces.empty()) nic = &facts.interfaces.front();
    if (!facts.model.empty()) SetComUnitField(record.model, facts.model);
    if (!facts.hostname.empty()) SetComUnitField(record.name, facts.hostname);
    SetComUnitField(record.mac, nic ? nic->mac : "");
    SetComUnitField(record.netmask, nic && nic->prefixLength > 0 ? NetmaskOf(nic->prefixLength) : "");
    SetComUnitField(record.gateway, facts.gateway.empty() ? "" : facts.gateway.front());
    SetComUnitField(record.dns, facts.dns.empty() ? "" : facts.dns.front());
    return record;
}

void KeepSignIn(OnvifCredentialBook& book, WindowOps& form, const OnvifSignInAnswer& answer,
                const std::vector<OnvifCameraPlace>& cameras) {
    std::string notKept;
    for (const OnvifCameraPlace& each : cameras) {
        if (!answer.remember) {
            book.KeepForRun(each, answer.credentials);
        } else if (std::string why = book.Remember(each, answer.credentials); !why.empty() && notKept.empty()) {
            notKept = why;
        }
    }
    if (!notKept.empty())
        form.ShowMessage("Signed in for this run only: the password was not remembered (" + notKept + ").",
                         "ONVIF Sign In", MessageIcon::Information);
}

std::string PartialChangeText(const OnvifNetworkOutcome& outcome) {
    // The client's message may list the steps too; here they are said once.
    const std::string& message = outcome.result.message;
    const std::string reason = message.substr(0, message.find(". Applied: "));
    return StrFormat("The camera took only part of the new settings.\nApplied: %s.\nNot applied: %s.\n%s",
                     Joined(outcome.applied).c_str(), Joined(outcome.notApplied).c_str(), reason.c_str());
}

std::string SentChangeText(const OnvifNetworkOutcome& outcome) {
    std::string text;
    if (outcome.answerLost)
        text = "The camera's answer was lost: it may already use the new address. Lanvaro looks for it there.";
    else
        text = outcome.notApplied.empty() ? "The camera took the new settings." : "The camera took the new address.";
    // What the new address did not take, and why.
    if (!outcome.result.ok() && !outcome.notApplied.empty()) text += " " + Sentence(outcome.result.message);
    if (outcome.result.ok() && !outcome.deferredReason.empty())
        text += "\nIts old subnet refused the gateway, so it went to the new address.";
    if (const std::string held = HeldSettingsText(outcome.held); !held.empty()) text += "\nIt holds: " + held + ".";
    return text;
}

OnvifCameraActions::OnvifCameraActions(CameraHost& logic, WindowOps& form, OnvifCameraWindow& window,
                                       OnvifCameraAccess& access, CredentialVault& vault)
    : logic_(logic), form_(form), window_(window), access_(access), book_(vault, logic.OnvifMoves()) {}

template <class Result>
Result OnvifCameraActions::Ask(const std::string& doing, std::function<Result()> call) {
    form_.SetStatusText(doing);
    // Bounded by the client's own time limit per call.
    Result result = WhileWindowRuns(form_, std::move(call));
    form_.SetStatusText("");
    return result;
}

std::optional<OnvifCameraActions::Camera> OnvifCameraActions::SelectedCamera() {
    return CameraAtRow(logic_.ActedOnRow());
}

std::optional<OnvifCameraActions::Camera> OnvifCameraActions::CameraAtRow(int row) {
    if (row < 1 || row >= form_.RowCount() || !IsOnvifRow(form_, row)) return std::nullopt;
    // While a search fills the list it is not read.
    const std::vector<OnvifDeviceInfo>* devices = logic_.OnvifDevicesListed();
    if (devices == nullptr) return std::nullopt;
    for (const tComUnitInfo* record : RowRecords(form_, logic_.ListedDevices(), row))
        for (const OnvifDeviceInfo& device : *devices)
            if (RecordOfOnvifDevice(*record, device)) {
                Camera camera{device, *record, OnvifRowXAddr(device, ComUnitFieldText(record->ip))};
                if (!camera.xaddr.empty()) return camera;
            }
    return std::nullopt;
}

bool OnvifCameraActions::SelectedRowIsCamera() { return SelectedCamera().has_value(); }

namespace {

// Each camera once, in the order of its first row.
std::vector<OnvifRowCamera> CamerasOf(const std::vector<int>& rows,
                                      const std::function<std::optional<OnvifRowCamera>(int)>& cameraAt) {
    std::vector<OnvifRowCamera> cameras;
    for (const int row : rows)
        if (auto camera = cameraAt(row)) {
            const bool seen = std::any_of(cameras.begin(), cameras.end(), [&](const OnvifRowCamera& other) {
                return other.device.endpoint == camera->device.endpoint;
            });
            if (!seen) cameras.push_back(std::move(*camera));
        }
    return cameras;
}

}  // namespace

std::vector<OnvifRowCamera> OnvifCameraActions::SelectedCameras() {
    std::vector<int> rows = form_.SelectedRows();
    if (rows.empty()) rows = {logic_.ActedOnRow()};
    return CamerasOf(rows, [this](int row) { return CameraAtRow(row); });
}

std::vector<OnvifRowCamera> OnvifCameraActions::AllCameras() {
    std::vector<int> rows;
    for (int row = 1; row < form_.RowCount(); ++row) rows.push_back(row);
    return CamerasOf(rows, [this](int row) { return CameraAtRow(row); });
}

const OnvifDeviceFacts* OnvifCameraActions::KnownFacts(const std::string& endpoint) const {
    const auto it = facts_.find(endpoint);
    return it == facts_.end() ? nullptr : &it->second;
}

void OnvifCameraActions::Refused(const Camera& camera, const OnvifCallResult& result, const char* title) {
    if (result.status == OnvifCallStatus::SignInRefused) book_.DropForRun(camera.device.endpoint);
    const std::string text = result.message.empty() ? "The camera did not answer." : result.message;
    form_.ShowMessage(text, title, MessageIcon::Warning);
}

bool OnvifCameraActions::ReadFacts(const Camera& camera, const std::optional<OnvifCredentials>& credentials) {
    if (calling_) return false;
    calling_ = true;
    OnvifDeviceFacts facts;
    const OnvifCallResult result = Ask<OnvifCallResult>(
        StrFormat("Asking the camera at %s...", ComUnitFieldText(camera.record.ip).c_str()),
        [this, xaddr = camera.xaddr, credentials, &facts] { return access_.ReadFacts(xaddr, credentials, facts); });
    calling_ = false;
    if (!result.ok()) {
        Refused(camera, result, "ONVIF");
        return false;
    }
    facts_[camera.device.endpoint] = facts;
    return true;
}

OnvifCameraPlace OnvifRowCamera::Place() const { return {device.endpoint, OnvifXaddrHost(xaddr)}; }

std::string OnvifRowCamera::Title() const {
    const std::string name = ComUnitFieldText(record.name);
    const std::string ip = ComUnitFieldText(record.ip);
    return name.empty() ? ip : name + " (" + ip + ")";
}

std::optional<OnvifCredentials> OnvifCameraActions::CredentialsFor(const Camera& camera) {
    if (auto known = book_.Known(camera.device.endpoint, camera.Place().address)) return known;
    return SignInWithDialog(camera);
}

std::optional<OnvifCredentials> OnvifCameraActions::SignInWithDialog(const Camera& camera) {
    const std::string& endpoint = camera.device.endpoint;
    // The cameras of this search, taken first: the keyring, the dialog and the
    // sign-in let the window handle messages, and a search started meanwhile
    // refills the list on its own thread.
    std::vector<OnvifCameraPlace> cameras{camera.Place()};
    if (const std::vector<OnvifDeviceInfo>* devices = logic_.OnvifDevicesListed())
        for (const OnvifDeviceInfo& other : *devices)
            if (other.endpoint != endpoint) cameras.push_back({other.endpoint, OnvifXaddrHost(other.xaddr)});
    OnvifSignInQuestion question;
    const std::string ip = ComUnitFieldText(camera.record.ip);
    question.camera = camera.Title();
    question.user = book_.KnownUser(endpoint).value_or(lastUser_);
    question.keyringAvailable = book_.KeyringAvailable();
    question.remembered = question.keyringAvailable && book_.Remembered(endpoint);
    const auto answer = window_.AskSignIn(question);
    if (!answer) return std::nullopt;
    if (answer->choice == OnvifSignInAnswer::Choice::Forget) {
        book_.Forget(endpoint);
        form_.SetStatusText(StrFormat("The password for %s is forgotten.", ip.c_str()));
        return std::nullopt;
    }
    lastUser_ = answer->credentials.user;
    if (!ReadFacts(camera, answer->credentials)) return std::nullopt;

    if (facts_[endpoint].auth == OnvifAuthMethod::Open) {
        // Not proved: neither remembered nor given to other cameras.
        book_.KeepForRun(camera.Place(), answer->credentials);
        form_.ShowMessage(kOnvifOpenNote, "ONVIF Sign In", MessageIcon::Information);
        return answer->credentials;
    }
    if (!answer->useForEveryCamera) cameras.resize(1);
    KeepSignIn(book_, form_, *answer, cameras);
    return answer->credentials;
}

void OnvifCameraActions::SignIn1Click() {
    const auto camera = SelectedCamera();
    if (!camera) return;
    if (SignInWithDialog(*camera))
        form_.SetStatusText(StrFormat("Signed in to %s.", ComUnitFieldText(camera->record.ip).c_str()));
}

void OnvifCameraActions::Info1Click() {
    if (const auto camera = SelectedCamera()) ShowDetails(*camera);
}

OnvifDetailsView OnvifCameraActions::DetailsOf(const Camera& camera,
                                               const std::optional<OnvifCredentials>& credentials) {
    const OnvifDeviceFacts* facts = KnownFacts(camera.device.endpoint);
    OnvifDetailsView view;
    if (facts != nullptr)
        view = DetailsViewOf(*facts);
    else
        view.problem = "Not signed in: only what the camera announced is shown.";
    const std::string name = ComUnitFieldText(camera.record.name);
    view.pictureName = name.empty() ? ComUnitFieldText(camera.record.ip) : name;
    if (!credentials || facts == nullptr || calling_) return view;
    calling_ = true;
    view.picture = Ask<CameraPicture>(
        StrFormat("Asking the camera at %s for its picture...", ComUnitFieldText(camera.record.ip).c_str()),
        [this, xaddr = camera.xaddr, credentials,
         decode = window_.Decoder(kDetailsPictureWidth, kDetailsPictureHeight)] {
            return FetchCameraPicture(access_, xaddr, credentials, decode);
        });
    calling_ = false;
    return view;
}

void OnvifCameraActions::ShowDetails(const Camera& camera) {
    const std::string endpoint = camera.device.endpoint;
    // Kept facts are shown as they were read; only Refresh asks the camera again.
    std::optional<OnvifCredentials> credentials = book_.Known(endpoint, camera.Place().address);
    if (KnownFacts(endpoint) == nullptr) {
        if (!credentials) credentials = CredentialsFor(camera);
        if (credentials && KnownFacts(endpoint) == nullptr) ReadFacts(camera, credentials);
    }
    auto refresh = [this, camera] {
        const auto known = book_.Known(camera.device.endpoint, camera.Place().address);
        if (known) ReadFacts(camera, known);
        OnvifDetailsView again = DetailsOf(camera, known);
        if (!known) again.problem = "Not signed in: use Sign In... first.";
        return again;
    };
    window_.ShowCameraDetails(camera.device, DetailsOf(camera, credentials), refresh);
}

void OnvifCameraActions::SyncTime1Click() {
    const auto camera = SelectedCamera();
    if (!camera) return;
    const auto credentials = CredentialsFor(*camera);
    // The NTP flag is read fresh: it decides whether the camera's time source is switched.
    if (!credentials || !ReadFacts(*camera, credentials)) return;
    const OnvifDeviceFacts& facts = facts_[camera->device.endpoint];
    if (facts.ntp.value_or(false) && !form_.AskYesNo(kNtpQuestion, "Sync Time")) return;
    if (calling_) return;
    calling_ = true;
    double offset = 0;
    const OnvifCallResult result = Ask<OnvifCallResult>(
        "Setting the camera's clock...",
        [this, xaddr = camera->xaddr, credentials, &offset] { return access_.SyncTime(xaddr, credentials, offset); });
    calling_ = false;
    if (!result.ok()) {
        Refused(*camera, result, "Sync Time");
        return;
    }
    OnvifDeviceFacts& kept = facts_[camera->device.endpoint];
    kept.clockOffsetSeconds = offset;
    kept.ntp = false;
    form_.ShowMessage(StrFormat("The camera's clock is now %.1f s off.", offset), "Sync Time",
                      MessageIcon::Information);
}

void OnvifCameraActions::NetworkSetup1Click() {
    const auto camera = SelectedCamera();
    if (!camera) return;
    const auto credentials = CredentialsFor(*camera);
    // The interfaces are read fresh: the change goes to the one at the row's address.
    if (!credentials || !ReadFacts(*camera, credentials)) return;
    const tComUnitInfo record = CameraSetupRecord(camera->record, facts_[camera->device.endpoint]);
    NetSetupContext context = logic_.SetupContext();
    context.onSent = nullptr;
    context.send = [this, camera = *camera, credentials = *credentials](const ControlRequest& request) {
        return SendNetworkChange(camera, credentials, request);
    };
    form_.Log(ComUnitFieldText(record.ip));
    window_.ShowCameraNetworkSetup(record, std::move(context));
}

bool OnvifCameraActions::SendNetworkChange(const Camera& camera, const OnvifCredentials& credentials,
                                           const ControlRequest& request) {
    const auto change = NetworkChangeFor(request);
    if (!change) {
        form_.ShowMessage(InvalidAddressMessage(AddressEdit::Netmask, request.netmask), "Warning",
                          MessageIcon::Warning);
        return false;
    }
    if (calling_) return false;
    calling_ = true;
    OnvifNetworkOutcome outcome = Ask<OnvifNetworkOutcome>(
        "Sending the new settings to the camera...", [this, xaddr = camera.xaddr, credentials, change = *change] {
            return access_.ApplyNetworkChange(xaddr, credentials, change);
        });
    calling_ = false;
    if (!outcome.result.ok() && !outcome.answerLost) {
        if (outcome.applied.empty()) {
            Refused(camera, outcome.result, "Network Setup");
            return false;
        }
        // Part of the settings changed: the dialog's values no longer match the camera.
        form_.ShowMessage(PartialChangeText(outcome), "Network Setup", MessageIcon::Warning);
        return true;
    }
    // The address went out, taken or its answer lost: the facts describe the old settings.
    facts_.erase(camera.device.endpoint);
    if (outcome.rebootNeeded) {
        if (!form_.AskYesNo(kRestartQuestion, "Network Setup")) {
            std::string text = "The camera uses the new settings after its next restart.";
            if (!outcome.deferred.empty())
                text += " Not applied: " + Joined(outcome.deferred) + " (set them once it uses its new address).";
            form_.ShowMessage(text, "Network Setup", MessageIcon::Information);
            return true;
        }
        calling_ = true;
        const OnvifCallResult rebooted = Ask<OnvifCallResult>(
            "Restarting the camera...",
            [this, xaddr = camera.xaddr, credentials] { return access_.Reboot(xaddr, credentials); });
        calling_ = false;
        if (!rebooted.ok()) {
            Refused(camera, rebooted, "Network Setup");
            return true;
        }
    }
    if (!outcome.deferred.empty()) {
        calling_ = true;
        const OnvifNetworkOutcome finished = Ask<OnvifNetworkOutcome>(
            StrFormat("Waiting for the camera at %s...", change->address.c_str()),
            [this, xaddr = camera.xaddr, credentials, change = *change, steps = outcome.deferred] {
                return access_.FinishNetworkChange(xaddr, credentials, change, steps);
            });
        calling_ = false;
        MergeFinishedChange(outcome, finished);
    }
    logic_.StartOnvifSetupWatch({camera.device.endpoint, change->dhcp, change->address});
    form_.ShowMessage(SentChangeText(outcome), "Network Setup",
                      outcome.result.ok() ? MessageIcon::Information : MessageIcon::Warning);
    return true;
}
