// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/net_form_logic.h"

#include "protocol/window_wait.h"

void NetFormLogic::Load(const tComUnitInfo& record) {
    const ControlRequest r = ControlRequestFor(record);
    loadedIp_ = r.ip;
    view_.SetEditText(NetFormEdit::Model, r.model);
    view_.SetEditText(NetFormEdit::Proj, r.proj);
    view_.SetEditText(NetFormEdit::Name, r.name);
    view_.SetEditText(NetFormEdit::Mac, r.mac);
    view_.SetEditText(NetFormEdit::IP, r.ip);
    view_.SetEditText(NetFormEdit::Netmask, r.netmask);
    view_.SetEditText(NetFormEdit::Gateway, r.gateway);
    view_.SetEditText(NetFormEdit::DNS, r.dns);
    view_.SetEditText(NetFormEdit::Dev, r.dev);
    view_.SetEditText(NetFormEdit::Port, r.port);
}

void NetFormLogic::FormCreate() { ClickToChangeNetworkType(); }

NetworkType NetFormLogic::CheckedType() {
    for (NetworkType type : {NetworkType::Static, NetworkType::Dhcp, NetworkType::Torvo}) {
        if (view_.IsTypeChecked(type)) {
            return type;
        }
    }
    return NetworkType::None;
}

void NetFormLogic::ClickToChangeNetworkType() {
    const NetworkType type = CheckedType();
    view_.SetAddressEditsEnabled(TakesTheSentAddress(type));
}

void NetFormLogic::LabeledEditModelEnter() { view_.FocusCloseButton(); }

bool NetFormLogic::IpEditExit(AddressEdit edit) {
    const std::string text = view_.EditText(ToRequestField(edit));
    if (!IsValidAddressText(edit, text)) {
        form_.ShowMessage(InvalidAddressMessage(edit, text), "Warning", MessageIcon::Warning);
        view_.FocusEdit(ToRequestField(edit));
        return false;
    }
    if (edit == AddressEdit::Gateway &&
        IsUnreasonableGateway(view_.EditText(NetFormEdit::IP), view_.EditText(NetFormEdit::Netmask), text)) {
        form_.ShowMessage(UnreasonableGatewayMessage(text), "Warning", MessageIcon::Warning);
    }
    return true;
}

ControlRequest NetFormLogic::Request() {
    ControlRequest r;
    r.type = CheckedType();
    r.model = view_.EditText(NetFormEdit::Model);
    r.proj = view_.EditText(NetFormEdit::Proj);
    r.name = view_.EditText(NetFormEdit::Name);
    r.mac = view_.EditText(NetFormEdit::Mac);
    r.dev = view_.EditText(NetFormEdit::Dev);
    r.port = view_.EditText(NetFormEdit::Port);
    r.ip = view_.EditText(NetFormEdit::IP);
    r.gateway = view_.EditText(NetFormEdit::Gateway);
    r.netmask = view_.EditText(NetFormEdit::Netmask);
    r.dns = view_.EditText(NetFormEdit::DNS);
    return r;
}

void NetFormLogic::BtnApplyClick() {
    // The probe lets the window handle messages; a second click meanwhile is not a second send.
    if (applying_) return;
    applying_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{applying_};

    const ControlRequest request = Request();
    if (request.type == NetworkType::None) {
        form_.ShowMessage(kNoNetworkTypeText, "Warning", MessageIcon::Warning);
        return;
    }
    // A static address that does not parse could leave the device
    // unreachable, and a text that splits the package's fields would set it
    // wrongly, so either stops here with the warning leaving an edit gives.
    if (const auto rejected = FirstRejectedField(request)) {
        form_.ShowMessage(InvalidFieldMessage(*rejected, RequestFieldText(request, *rejected)), "Warning",
                          MessageIcon::Warning);
        view_.FocusEdit(*rejected);
        return;
    }
    if (TakesTheSentAddress(request.type) && !NewAddressIsSafe(request)) return;
    if (context_.send) {
        if (context_.send(request)) view_.CloseForm();
        return;
    }
    const bool sent = SendControlPackage(form_, MakeControlRecord(request), loadedIp_) == 0;
    if (sent && context_.onSent) context_.onSent(request);
    form_.ShowMessage(sent ? kControlSentText : kControlFailedText, "Note",
                      sent ? MessageIcon::Information : MessageIcon::Warning);
    view_.CloseForm();
}

void NetFormLogic::ButtonCloseClick() { view_.CloseForm(); }

bool NetFormLogic::NewAddressIsSafe(const ControlRequest& request) {
    std::optional<std::string> conflict;
    if (const tComUnitInfo* other = DeviceHoldingAddress(context_.knownDevices, request, loadedIp_)) {
        conflict = AddressInUseMessage(request.ip, *other);
    } else {
        conflict = ProbeWhileResponsive(request);
    }
    if (conflict && conflict->empty()) return false;
    if (conflict) {
        form_.ShowMessage(*conflict, "Warning", MessageIcon::Warning);
        view_.FocusEdit(NetFormEdit::IP);
        return false;
    }
    // Sometimes meant (the device moves to another site), so only asked.
    if (!InThisComputersNetworks(request.ip) && !form_.AskYesNo(OutsideNetworksQuestion(request.ip), "Warning")) {
        view_.FocusEdit(NetFormEdit::IP);
        return false;
    }
    return true;
}

std::optional<std::string> NetFormLogic::ProbeWhileResponsive(const ControlRequest& request) {
    if (!context_.probe || request.ip == loadedIp_) return std::nullopt;
    AddressProber probe = context_.probe;
    const bool shownBefore = view_.IsShown();
    // Bounded by the probe's own second.
    const ProbeResult result = WhileWindowRuns(form_, [probe, ip = request.ip] { return probe(ip); });
    // Closed meanwhile: the user has given up on this change.
    if (shownBefore && !view_.IsShown()) return std::string();
    return ProbeConflict(
        form_, [result](const std::string&) { return result; }, request, loadedIp_);
}
