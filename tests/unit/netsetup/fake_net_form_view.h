// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TNetForm's controls as plain values, for driving NetFormLogic without widgets.

#include <map>
#include <optional>
#include <string>

#include "netsetup/net_form_logic.h"

class FakeNetFormView : public NetFormView {
public:
    std::map<NetFormEdit, std::string> texts;
    bool addressEditsEnabled = true;
    NetworkType checked = NetworkType::None;
    std::optional<NetFormEdit> focusedEdit;
    bool closeFocused = false;
    bool closed = false;

    std::string EditText(NetFormEdit edit) override { return texts[edit]; }
    void SetEditText(NetFormEdit edit, const std::string& text) override { texts[edit] = text; }
    void SetAddressEditsEnabled(bool enabled) override { addressEditsEnabled = enabled; }
    bool IsTypeChecked(NetworkType type) override { return type == checked; }
    void FocusEdit(NetFormEdit edit) override { focusedEdit = edit; }
    void FocusCloseButton() override { closeFocused = true; }
    void CloseForm() override { closed = true; }
};
