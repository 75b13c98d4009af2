// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Camera Tasks" window: the cameras (name, address, result and what
// Read Facts found) and the tasks for all of them at once. Not modal; the
// window goes on while the cameras are asked.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QWidget>

#include "camera/camera_tasks_logic.h"
#include "camera/change_password_dialog.h"

class QLabel;
class QPushButton;
class QTableWidget;

class CameraTasksForm : public QWidget, public CameraTasksView {
public:
    CameraTasksForm(QWidget* owner, WindowOps& form, OnvifCameraActions& actions, CameraJobRunner& runner,
                    std::vector<OnvifRowCamera> cameras, RestartWatch watchRestart);
    ~CameraTasksForm() override;

    CameraTasksLogic& Logic() { return *logic_; }

    // Test seam: the new password, as the Change Password dialog asks for it.
    std::function<std::optional<PasswordChange>(QWidget* owner, int cameras, const std::vector<std::string>& users)>
        askPasswordChange = AskPasswordChange;

    // CameraTasksView
    void ShowRow(std::size_t index, const CameraTaskRow& row) override;
    void ShowStatus(const std::string& text) override;
    void ShowRunning(bool running) override;

    QTableWidget* TableCameras = nullptr;
    QLabel* LabelStatus = nullptr;
    QPushButton* ButtonReadFacts = nullptr;
    QPushButton* ButtonSyncTime = nullptr;
    QPushButton* ButtonRestart = nullptr;
    QPushButton* ButtonChangePassword = nullptr;
    QPushButton* ButtonExport = nullptr;
    QPushButton* ButtonCopy = nullptr;
    QPushButton* ButtonCancel = nullptr;

private:
    void ChangePassword();

    WindowOps& form_;
    std::unique_ptr<CameraTasksLogic> logic_;
};
