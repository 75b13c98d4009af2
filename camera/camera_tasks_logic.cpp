// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_tasks_logic.h"

#include <algorithm>

#include "onvif/onvif_inventory.h"
#include "protocol/com_unit_info.h"
#include "protocol/text_format.h"

namespace {

OnvifInventoryRow InventoryRowOf(const CameraTaskRow& row) {
    return {row.name, row.address, row.camera.device.endpoint, row.facts.value_or(OnvifDeviceFacts{})};
}

FleetCamera FleetCameraOf(const CameraTaskRow& row) {
    return {row.camera.xaddr, OnvifXaddrHost(row.camera.xaddr), row.camera.device.endpoint, row.name};
}

std::string Plural(std::size_t count, const char* one) {
    return count == 1 ? StrFormat("1 %s", one) : StrFormat("%zu %ss", count, one);
}

}  // namespace

const std::vector<std::string>& CameraTaskColumns() {
    static const std::vector<std::string> columns{"Name",       "Address",  "Result",      "Manufacturer",
                                                  "Model",      "Firmware", "Serial",      "MAC",
                                                  "Addressing", "NTP",      "Clock Offset"};
    return columns;
}

std::vector<std::string> CameraTaskCells(const CameraTaskRow& row) {
    std::vector<std::string> cells{row.name, row.address, row.state};
    if (!row.facts) {
        cells.resize(CameraTaskColumns().size());
        return cells;
    }
    const OnvifDeviceFacts& f = *row.facts;
    const OnvifInventoryRow inventory = InventoryRowOf(row);
    const OnvifNetworkInterface* card = OnvifInventoryCard(inventory);
    std::string addressing;
    if (card != nullptr) addressing = card->dhcp ? "DHCP" : StrFormat("fixed, /%d", card->prefixLength);
    cells.insert(cells.end(),
                 {f.manufacturer, f.model, f.firmware, f.serial, card != nullptr ? card->mac : std::string(),
                  addressing, f.ntp ? (*f.ntp ? "on" : "off") : "",
                  f.clockOffsetSeconds ? Tenths(*f.clockOffsetSeconds) + " s" : f.clockNote});
    return cells;
}

CameraTasksLogic::CameraTasksLogic(OnvifCameraActions& actions, CameraJobRunner& runner, CameraTasksView& view,
                                   std::vector<OnvifRowCamera> cameras, RestartWatch watchRestart)
    : parts_(actions.Shared()), runner_(runner), view_(view), watchRestart_(std::move(watchRestart)), signIn_(parts_) {
    for (OnvifRowCamera& camera : cameras) {
        CameraTaskRow row;
        row.name = ComUnitFieldText(camera.record.name);
        row.address = ComUnitFieldText(camera.record.ip);
        row.camera = std::move(camera);
        // What the window read of it this run already shows.
        if (const auto known = parts_.facts.find(row.camera.device.endpoint); known != parts_.facts.end())
            row.facts = known->second;
        rows_.push_back(std::move(row));
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) Show(i);
    ShowStatus();
}

CameraTasksLogic::~CameraTasksLogic() { *cancel_ = true; }

void CameraTasksLogic::ReadFacts() { Start(CameraTask::ReadFacts, {}); }

void CameraTasksLogic::SyncTime() {
    forceNtp_ = false;
    Start(CameraTask::SyncTime, {});
}

void CameraTasksLogic::Restart() {
    if (Running() || rows_.empty()) return;
    const std::string question = StrFormat("Restart %s? Each stops recording and streaming until it is back.",
                                           Plural(rows_.size(), "camera").c_str());
    if (!parts_.form.AskYesNo(question, "Camera Tasks")) return;
    Start(CameraTask::Restart, {});
}

void CameraTasksLogic::ChangePassword(const std::string& user, const std::string& newPassword) {
    if (newPassword.empty()) return;
    forUser_ = user;
    newPassword_ = newPassword;
    Start(CameraTask::ChangePassword, {});
}

void CameraTasksLogic::Cancel() {
    if (!Running()) return;
    *cancel_ = true;
    for (const std::size_t i : queue_) {
        rows_[i].state = "cancelled";
        rows_[i].pending = false;
        rows_[i].failed = true;
        Show(i);
    }
    queue_.clear();
    note_ = "Cancelled.";
    if (inRound_ == 0) Finished();
    ShowStatus();
}

std::vector<std::string> CameraTasksLogic::UserNames() {
    std::vector<std::string> names;
    auto add = [&names](const std::string& name) {
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    };
    for (const CameraTaskRow& row : rows_)
        if (const auto known = signIn_.Known(row.camera.Place())) add(known->user);
    add(parts_.lastUser);
    // Then the other users the cameras listed when their facts were read.
    for (const CameraTaskRow& row : rows_)
        if (row.facts)
            for (const OnvifUser& user : row.facts->users) add(user.name);
    return names;
}

std::string CameraTasksLogic::Inventory() const {
    std::vector<OnvifInventoryRow> inventory;
    for (const CameraTaskRow& row : rows_) inventory.push_back(InventoryRowOf(row));
    return FormatOnvifInventory(inventory);
}

std::string CameraTasksLogic::Text() const {
    std::string text = Joined(CameraTaskColumns(), "\t") + "\n";
    for (const CameraTaskRow& row : rows_) {
        std::vector<std::string> cells = CameraTaskCells(row);
        // A cell holds no tab or line break of a camera's own: the lines stay a table.
        for (std::string& cell : cells)
            std::replace_if(
                cell.begin(), cell.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
        text += Joined(cells, "\t") + "\n";
    }
    return text;
}

void CameraTasksLogic::Start(CameraTask task, std::vector<std::size_t> which) {
    if (Running() || rows_.empty()) return;
    if (which.empty())
        for (std::size_t i = 0; i < rows_.size(); ++i) which.push_back(i);
    credentials_.assign(rows_.size(), std::nullopt);
    given_.assign(rows_.size(), false);
    std::vector<std::size_t> awaiting;
    for (const std::size_t i : which) {
        credentials_[i] = signIn_.Known(rows_[i].camera.Place());
        if (!credentials_[i]) awaiting.push_back(i);
    }
    // One sign-in for every camera without a password; the others go on without waiting for it.
    const bool signedIn = !awaiting.empty() && signIn_.Ask(static_cast<int>(awaiting.size()));
    for (const std::size_t i : awaiting) {
        if (signedIn) {
            credentials_[i] = signIn_.Given();
            given_[i] = true;
            continue;
        }
        rows_[i].state = "not signed in";
        rows_[i].failed = true;
        Show(i);
        std::erase(which, i);
    }
    task_ = task;
    taskName_ = task == CameraTask::ReadFacts  ? "Read Facts"
                : task == CameraTask::SyncTime ? "Sync Time"
                : task == CameraTask::Restart  ? "Restart"
                                               : "Change Password";
    ++run_;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    queue_ = std::move(which);
    proved_.clear();
    open_.clear();
    changed_.clear();
    onNtp_.clear();
    note_.clear();
    for (const std::size_t i : queue_) {
        rows_[i].state = "waiting...";
        rows_[i].pending = true;
        rows_[i].failed = false;
        Show(i);
    }
    view_.ShowRunning(true);
    NextRound();
}

void CameraTasksLogic::NextRound() {
    // Restarts and password changes a round at a time; reading and setting clocks all at once
    // (the runner still asks only a few cameras together).
    const bool rounds = task_ == CameraTask::Restart || task_ == CameraTask::ChangePassword;
    const std::size_t take = rounds ? std::min(kCamerasPerRound, queue_.size()) : queue_.size();
    const std::vector<std::size_t> round(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(take));
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(take));
    inRound_ = round.size();
    roundFailed_ = 0;
    for (const std::size_t i : round) Run(i);
    if (round.empty()) Finished();
    ShowStatus();
}

void CameraTasksLogic::Run(std::size_t index) {
    FleetRequest request;
    switch (*task_) {
        case CameraTask::ReadFacts:
            request.task = FleetTask::Info;
            break;
        case CameraTask::SyncTime:
            request.task = FleetTask::SyncTime;
            request.force = forceNtp_;
            break;
        case CameraTask::Restart:
            request.task = FleetTask::Reboot;
            request.verifySeconds = kRestartLimitSeconds;
            request.watchRestart = watchRestart_;
            break;
        case CameraTask::ChangePassword:
            request.task = FleetTask::SetPassword;
            request.forUser = forUser_;
            request.newPassword = newPassword_;
            break;
    }
    request.credentials = credentials_[index].value_or(OnvifCredentials{});
    request.cancel = cancel_;
    std::weak_ptr<int> alive = alive_;
    WindowOps& form = parts_.form;
    OnvifCameraAccess& access = parts_.access;
    runner_.Add([this, alive, &form, &access, index, run = run_, camera = FleetCameraOf(rows_[index]),
                 request = std::move(request)] {
        // A window closed before this camera's turn: the camera is not asked.
        if (alive.expired()) return;
        FleetOutcome outcome;
        if (*request.cancel) {
            outcome.result = "cancelled";
            outcome.cancelled = true;
        } else {
            form.Post([this, alive, index, run] {
                if (!alive.expired()) Started(index, run);
            });
            outcome = RunFleetTask(access, camera, request);
        }
        form.Post([this, alive, index, run, outcome = std::move(outcome)]() mutable {
            if (!alive.expired()) Took(index, run, std::move(outcome));
        });
    });
}

void CameraTasksLogic::Started(std::size_t index, unsigned run) {
    if (run != run_) return;
    rows_[index].state = task_ == CameraTask::Restart ? "restarting..." : "working...";
    Show(index);
}

void CameraTasksLogic::Took(std::size_t index, unsigned run, FleetOutcome outcome) {
    if (run != run_ || !task_) return;
    CameraTaskRow& row = rows_[index];
    const OnvifCameraPlace place = row.camera.Place();
    const bool signedIn =
        outcome.ok || (outcome.status != OnvifCallStatus::SignInRefused &&
                       outcome.status != OnvifCallStatus::NoService && !outcome.notBack && !outcome.cancelled);
    // A known password the camera refused is not offered to it again this run.
    if (outcome.status == OnvifCallStatus::SignInRefused && !outcome.ok && !given_[index])
        signIn_.Refused(place.endpoint);
    const bool changedPassword = *task_ == CameraTask::ChangePassword && outcome.ok;
    if (given_[index] && signedIn && !changedPassword) {
        const bool open = *task_ == CameraTask::ReadFacts && outcome.facts.auth == OnvifAuthMethod::Open;
        (open ? open_ : proved_).push_back(place);
    }
    if (changedPassword) {
        const std::string user = forUser_.empty() ? credentials_[index]->user : forUser_;
        // The keyring follows only a password a sign-in proved.
        if (user == credentials_[index]->user && outcome.proved)
            changed_.emplace_back(place, OnvifCredentials{user, newPassword_});
        else if (user == credentials_[index]->user)
            parts_.book.KeepForRun(place, {user, newPassword_});
    }
    if (*task_ == CameraTask::ReadFacts && outcome.ok) {
        row.facts = outcome.facts;
        parts_.facts[place.endpoint] = outcome.facts;
    }
    if (outcome.onNtp) {
        onNtp_.push_back(index);
        outcome.result = "left alone: the camera takes its time from NTP";
    }
    row.failed = !outcome.ok;
    row.pending = false;
    row.state = Redacted(outcome.result);
    if (!outcome.ok && !outcome.onNtp) ++roundFailed_;
    Show(index);
    if (inRound_ > 0 && --inRound_ == 0) RoundEnded();
    ShowStatus();
}

void CameraTasksLogic::RoundEnded() {
    if (queue_.empty()) {
        Finished();
        return;
    }
    if (roundFailed_ > 0) {
        const std::string question =
            StrFormat("%s of this round failed. Go on with the next %s?", Plural(roundFailed_, "camera").c_str(),
                      Plural(std::min(kCamerasPerRound, queue_.size()), "camera").c_str());
        if (!parts_.form.AskYesNo(question, "Camera Tasks")) {
            for (const std::size_t i : queue_) {
                rows_[i].state = "not started";
                rows_[i].pending = false;
                rows_[i].failed = true;
                Show(i);
            }
            queue_.clear();
            Finished();
            return;
        }
    }
    NextRound();
}

void CameraTasksLogic::Finished() {
    if (!task_) return;
    if (std::any_of(given_.begin(), given_.end(), [](bool given) { return given; }) && signIn_.Keep(proved_, open_))
        note_ = kOnvifOpenNote;
    for (const auto& [place, credentials] : changed_) {
        if (parts_.book.Remembered(place.endpoint))
            parts_.book.Remember(place, credentials);
        else
            parts_.book.KeepForRun(place, credentials);
    }
    changed_.clear();
    const bool askNtp = *task_ == CameraTask::SyncTime && !forceNtp_ && !onNtp_.empty() && !*cancel_;
    task_.reset();
    view_.ShowRunning(false);
    if (askNtp) {
        const std::string question =
            StrFormat("%s %s from NTP. Set %s by hand instead?", Plural(onNtp_.size(), "camera").c_str(),
                      onNtp_.size() == 1 ? "takes its time" : "take their time", onNtp_.size() == 1 ? "it" : "them");
        if (parts_.form.AskYesNo(question, "Camera Tasks")) {
            forceNtp_ = true;
            Start(CameraTask::SyncTime, onNtp_);
        }
    }
}

void CameraTasksLogic::Show(std::size_t index) { view_.ShowRow(index, rows_[index]); }

void CameraTasksLogic::ShowStatus() {
    std::size_t done = 0, failed = 0, waiting = 0;
    for (const CameraTaskRow& row : rows_) {
        if (row.pending)
            ++waiting;
        else if (row.failed)
            ++failed;
        else if (!row.state.empty())
            ++done;
    }
    std::string text = Plural(rows_.size(), "camera");
    if (done + failed + waiting > 0) {
        text = StrFormat("%s: %zu of %zu done", taskName_, done, rows_.size());
        if (failed > 0) text += StrFormat(", %zu failed", failed);
        if (waiting > 0) text += StrFormat(", %zu to go", waiting);
    }
    if (!note_.empty()) text += ". " + note_;
    view_.ShowStatus(text);
}

std::string CameraTasksLogic::Redacted(std::string text) const {
    // Nothing of either password reaches the table, whatever a camera quotes.
    text = RedactedText(std::move(text), newPassword_);
    for (const auto& credentials : credentials_)
        if (credentials) text = RedactedText(std::move(text), credentials->password);
    return text;
}
