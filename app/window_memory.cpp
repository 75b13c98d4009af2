// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_memory.h"

#include <string>
#include <vector>

#include <QComboBox>
#include <QEvent>
#include <QSettings>
#include <QStringList>

#include "app/main_form.h"
#include "app/relay_history.h"

namespace {

const QString kRelaysKey = QStringLiteral("relayAddresses");
const QString kRangesKey = QStringLiteral("addressRanges");
const QString kGeometryKey = QStringLiteral("windowGeometry");

}  // namespace

WindowMemory::WindowMemory(TMainForm& form, std::unique_ptr<QSettings> settings)
    : QObject(&form), form_(form), settings_(std::move(settings)) {
    setObjectName(QStringLiteral("WindowMemory"));
    Restore();
    // The list is saved as it changes, so a crash later loses none of it.
    QAbstractItemModel* relays = form.ComboBox1->model();
    connect(relays, &QAbstractItemModel::rowsInserted, this, [this] { SaveRelays(); });
    connect(relays, &QAbstractItemModel::rowsRemoved, this, [this] { SaveRelays(); });
    QAbstractItemModel* ranges = form.RangeBox->model();
    connect(ranges, &QAbstractItemModel::rowsInserted, this, [this] { SaveRanges(); });
    connect(ranges, &QAbstractItemModel::rowsRemoved, this, [this] { SaveRanges(); });
    form.installEventFilter(this);
}

WindowMemory::~WindowMemory() = default;

void WindowMemory::Restore() {
    std::vector<std::string> history;
    for (const QString& address : settings_->value(kRelaysKey).toStringList()) history.push_back(address.toStdString());
    if (!history.empty()) {
        const std::vector<std::string> items = form_.RelayAddressItems();
        const std::string first = items.empty() ? std::string() : items.front();
        form_.SetRelayAddressItems(RelayItemsFromHistory(first, history));
    }
    std::vector<std::string> ranges;
    for (const QString& range : settings_->value(kRangesKey).toStringList()) ranges.push_back(range.toStdString());
    if (!ranges.empty()) {
        // Kept oldest first; a hand-edited file may hold more, or repeats.
        std::vector<std::string> items;
        for (const std::string& range : ranges) items = TypedHistoryAfter(items, range);
        form_.SetAddressRangeItems(items);
    }
    // A saved geometry that no longer fits a screen is moved onto one by Qt;
    // none saved keeps the centred design size.
    const QByteArray geometry = settings_->value(kGeometryKey).toByteArray();
    if (!geometry.isEmpty()) form_.restoreGeometry(geometry);
}

void WindowMemory::SaveRelays() {
    QStringList kept;
    for (const std::string& address : RelayHistoryFromItems(form_.RelayAddressItems()))
        kept.append(QString::fromStdString(address));
    settings_->setValue(kRelaysKey, kept);
}

void WindowMemory::SaveRanges() {
    QStringList kept;
    for (const std::string& range : form_.AddressRangeItems()) kept.append(QString::fromStdString(range));
    settings_->setValue(kRangesKey, kept);
}

void WindowMemory::SaveGeometry() { settings_->setValue(kGeometryKey, form_.saveGeometry()); }

bool WindowMemory::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &form_ && event->type() == QEvent::Close) {
        SaveGeometry();
        SaveRelays();
        SaveRanges();
        settings_->sync();
    }
    return QObject::eventFilter(watched, event);
}
