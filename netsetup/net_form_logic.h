// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What TNetForm does, without widgets: the dialog drives this class through
// NetFormView, and message boxes, logging and sending go through WindowOps.

#include <functional>
#include <string>

#include "netsetup/control_package.h"
#include "netsetup/setup_safety.h"
#include "protocol/com_unit_info.h"
#include "protocol/window_ops.h"

// The dialog's text edits: the four device information edits, the four
// address edits and the two hidden ones that carry values through; one for
// each text of the package.
using NetFormEdit = RequestField;

class NetFormView {
public:
    virtual ~NetFormView() = default;
    virtual std::string EditText(NetFormEdit edit) = 0;
    virtual void SetEditText(NetFormEdit edit, const std::string& text) = 0;
    virtual void SetAddressEditsEnabled(bool enabled) = 0;
    virtual bool IsTypeChecked(NetworkType type) = 0;  // RadioButtonStatic / Dhcp / Torvo
    virtual void FocusEdit(NetFormEdit edit) = 0;
    virtual void FocusCloseButton() = 0;
    virtual void CloseForm() = 0;
    // Whether the dialog is on screen (it may be closed while a probe runs).
    virtual bool IsShown() { return true; }
};

// What the dialog knows of the window it was opened from.
struct NetSetupContext {
    // The devices of the search that found this one: their addresses are taken.
    TComUnitList knownDevices;
    // Asks whether some host answers at the new address; unset: no probe, so
    // a dialog made without its window's context sends nothing on its own.
    AddressProber probe;
    // Told of every package sent, so the window can watch for the device.
    std::function<void(const ControlRequest&)> onSent;
    // Where set, sends the checked request itself in place of a control
    // package and says how it went; true when the dialog is done.
    std::function<bool(const ControlRequest&)> send;
};

class NetFormLogic {
public:
    NetFormLogic(WindowOps& form, NetFormView& view, NetSetupContext context = {})
        : form_(form), view_(view), context_(std::move(context)) {}

    // Fills the edits from the device's record.
    void Load(const tComUnitInfo& record);

    void FormCreate();
    void ClickToChangeNetworkType();
    void LabeledEditModelEnter();
    // True when the edit's text is a valid address (a gateway warning
    // still counts as valid).
    bool IpEditExit(AddressEdit edit);
    void BtnApplyClick();
    void ButtonCloseClick();

    // The checked type, tested Static, DHCP, Torvo as Apply tests them.
    NetworkType CheckedType();
    // The request the edits and the checked type make.
    ControlRequest Request();

private:
    // The checks of a new static address; false when the send must not go ahead.
    bool NewAddressIsSafe(const ControlRequest& request);
    // Probes off the window thread, letting the window handle its messages
    // meanwhile. An empty message: the dialog was closed during the probe.
    std::optional<std::string> ProbeWhileResponsive(const ControlRequest& request);

    WindowOps& form_;
    NetFormView& view_;
    NetSetupContext context_;
    std::string loadedIp_;
    bool applying_ = false;
};
