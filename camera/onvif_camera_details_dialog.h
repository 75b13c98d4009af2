// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "ONVIF Device Detail Info." with what the signed-in camera says of itself
// below what it announced, its picture and its profiles beside them, and
// "Refresh" to ask it again.

#include <functional>

#include "camera/onvif_camera_actions.h"
#include "protocol/window_ops.h"
#include "web/onvif_device_info_form.h"

class QLabel;
class QLineEdit;
class QTableWidget;

class OnvifCameraDetailsForm : public OnvifDeviceInfoForm {
public:
    OnvifCameraDetailsForm(QWidget* owner, WindowOps& form, std::function<OnvifDetailsView()> refresh);

    void SetView(const OnvifDetailsView& view);

    QPlainTextEdit* EditFacts;
    QLabel* LabelClock;
    QPushButton* ButtonRefresh;
    QLabel* LabelPicture;
    QTableWidget* TableProfiles;  // name, encoding, resolution, stream address
    QLineEdit* EditStream;        // the selected profile's whole stream address
    QLabel* LabelStreamNote;      // the selected profile's note
    QPushButton* ButtonCopyStream;
    QPushButton* ButtonOpenStream;
    QPushButton* ButtonSavePicture;

private:
    // The stream address of the selected profile; empty when it has none.
    std::string SelectedStream() const;
    void ProfileChosen();

    WindowOps& form_;
    std::function<OnvifDetailsView()> refresh_;
    OnvifDetailsView view_;
};

void ShowOnvifCameraDetailsDialog(QWidget* owner, WindowOps& form, const OnvifDeviceInfo& device,
                                  const OnvifDetailsView& view, std::function<OnvifDetailsView()> refresh);
