#pragma once
// "ONVIF Device Detail Info." with what the signed-in camera says of itself
// below what it announced, and "Refresh" to ask it again.

#include <functional>

#include "camera/onvif_camera_actions.h"
#include "web/onvif_device_info_form.h"

class QLabel;

class OnvifCameraDetailsForm : public OnvifDeviceInfoForm {
public:
    OnvifCameraDetailsForm(QWidget* owner, std::function<OnvifDetailsView()> refresh);

    void SetView(const OnvifDetailsView& view);

    QPlainTextEdit* EditFacts;
    QLabel* LabelClock;
    QPushButton* ButtonRefresh;

private:
    std::function<OnvifDetailsView()> refresh_;
};

void ShowOnvifCameraDetailsDialog(QWidget* owner, const OnvifDeviceInfo& device, const OnvifDetailsView& view,
                                  std::function<OnvifDetailsView()> refresh);
