// SPDX-License-Identifier: GPL-3.0-or-later
// Text a device sent, shown by the window: markup in a model, name or MAC
// must show as written, never as a headline or an image read from disk.

#include <functional>
#include <vector>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include "app/main_form.h"
#include "app/search_report_dialog.h"
#include "app/string_grid_widget.h"
#include "netsetup/control_package.h"
#include "netsetup/setup_safety.h"
#include "report/report_problems.h"
#include "web/device_info_form.h"
#include "web/onvif_device_info_form.h"
#include "web/upnp_device_info_form.h"

namespace {

enum class Path {
    NarrowCell,
    OffSubnetMark,
    FoundByRangeRow,
    DetailDialog,
    UpnpDetailDialog,
    OnvifDetailDialog,
    InvalidField,
    AddressInUse,
    Question,
    StatusBar,
    SearchReport
};

// What one widget showed, and what it should have shown.
struct Shown {
    QString what;
    QString shown;
    QString expected;
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

// What a tool tip looks like on screen. Qt renders it as rich text only when
// it looks like HTML; text that does not is shown as it is.
QString RenderedToolTip(const QString& tip) {
    if (!Qt::mightBeRichText(tip)) return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

tComUnitInfo RecordWithText(const std::string& text) {
    tComUnitInfo record{};
    for (int i = 0; i < kComUnitFieldCount; ++i) SetComUnitField(ComUnitField(record, i), ComUnitFieldWidth(i), text);
    return record;
}

// Every line edit of a detail dialog: its text and the tool tip that repeats it.
template <typename Dialog>
void CollectEdits(Dialog& dialog, const std::string& text, std::vector<Shown>& out) {
    for (QLineEdit* edit : dialog.template findChildren<QLineEdit*>()) {
        out.push_back({edit->objectName(), edit->text(), Q(text).left(edit->text().size())});
        out.push_back(
            {edit->objectName() + QStringLiteral(" tool tip"), RenderedToolTip(edit->toolTip()), edit->text()});
    }
    for (QPlainTextEdit* edit : dialog.template findChildren<QPlainTextEdit*>())
        out.push_back({edit->objectName(), edit->toPlainText(), Q(text)});
}

// Runs `open`, which blocks in a message box, and reads what the box showed.
Shown FromMessageBox(const std::function<void()>& open, const std::string& expected) {
    Shown seen{QStringLiteral("message box"), QStringLiteral("(no message box)"), Q(expected)};
    int polls = 0;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            if (++polls > 500) poll.stop();
            return;
        }
        poll.stop();
        seen.shown = box->textFormat() == Qt::PlainText ? box->text() : QStringLiteral("(not plain text)");
        box->done(0);
    });
    poll.start();
    open();
    return seen;
}

}  // namespace

Q_DECLARE_METATYPE(Path)

class DeviceTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shownAsWritten_data() {
        QTest::addColumn<Path>("path");
        QTest::addColumn<QByteArray>("text");
        const std::pair<const char*, Path> paths[] = {
            {"narrow cell", Path::NarrowCell},
            {"off-subnet mark", Path::OffSubnetMark},
            {"found by range row", Path::FoundByRangeRow},
            {"detail dialog", Path::DetailDialog},
            {"UPnP detail dialog", Path::UpnpDetailDialog},
            {"ONVIF detail dialog", Path::OnvifDetailDialog},
            {"Invalid field", Path::InvalidField},
            {"address in use", Path::AddressInUse},
            {"question", Path::Question},
            {"status bar", Path::StatusBar},
            {"search report", Path::SearchReport},
        };
        const std::pair<const char*, QByteArray> texts[] = {
            {"headline", QByteArrayLiteral("<h1 style=color:red>HACKED</h1>")},
            {"image", QByteArrayLiteral("<img src=/dev/zero>")},
            {"entities", QByteArrayLiteral("a & b <b>bold</b> &amp;  two")},
        };
        for (const auto& [pathName, path] : paths)
            for (const auto& [textName, text] : texts) QTest::addRow("%s, %s", pathName, textName) << path << text;
    }

    void shownAsWritten() {
        QFETCH(Path, path);
        QFETCH(QByteArray, text);
        const std::string device = text.toStdString();
        std::vector<Shown> shown;
        TMainForm form;
        switch (path) {
            case Path::NarrowCell:
            case Path::OffSubnetMark:
            case Path::FoundByRangeRow: {
                form.SetRowCount(2);
                for (int c = 0; c < kGridColumnCount; ++c) form.SetCell(c, 1, device);
                form.show();
                QVERIFY(QTest::qWaitForWindowExposed(&form));
                StringGridWidget* grid = form.StringGrid1;
                const int col = path == Path::NarrowCell ? kColName : kColIp;
                grid->setColumnWidth(col, 24);
                std::string expected = device;
                if (path == Path::OffSubnetMark) {
                    expected = OutsideNetworksToolTip(device);
                    form.SetCellMark(kColIp, 1, expected);
                }
                if (path == Path::FoundByRangeRow) {
                    // The cut text first, then how the row was found.
                    const std::string found = "Found at " + device;
                    form.SetRowToolTip(1, found);
                    expected = device + "\n\n" + found;
                }
                const QString tip = grid->ToolTipAt(grid->visualRect(grid->model()->index(0, col)).center());
                shown.push_back({QStringLiteral("tool tip"), RenderedToolTip(tip), Q(expected)});
                break;
            }
            case Path::DetailDialog: {
                TFormInfo dialog(&form);
                dialog.SetRecord(RecordWithText(device));
                CollectEdits(dialog, device, shown);
                break;
            }
            case Path::UpnpDetailDialog: {
                TForm1 dialog(&form);
                DeviceInformationContainer upnp;
                for (std::string* field :
                     {&upnp.Children, &upnp.Description, &upnp.FriendlyName, &upnp.HasChildren, &upnp.IconURL,
                      &upnp.IsRootDevice, &upnp.ManufacturerName, &upnp.ManufacturerURL, &upnp.ModelName,
                      &upnp.ModelNumber, &upnp.ModelURL, &upnp.ParentDevice, &upnp.PresentationURL, &upnp.RootDevice,
                      &upnp.SerialNumber, &upnp.Services, &upnp.Type, &upnp.UniqueDeviceName, &upnp.UPC})
                    *field = device;
                dialog.SetDevice(upnp);
                CollectEdits(dialog, device, shown);
                break;
            }
            case Path::OnvifDetailDialog: {
                OnvifDeviceInfoForm dialog(&form);
                dialog.SetDevice({device, {device}, {device}, {device}, device, device, device});
                CollectEdits(dialog, device, shown);
                break;
            }
            case Path::InvalidField: {
                const std::string message = InvalidFieldMessage(RequestField::Name, device);
                shown.push_back(
                    FromMessageBox([&] { form.ShowMessage(message, "Network Setup", MessageIcon::Warning); }, message));
                break;
            }
            case Path::AddressInUse: {
                const std::string message = AddressInUseMessage("198.51.100.9", RecordWithText(device));
                shown.push_back(
                    FromMessageBox([&] { form.ShowMessage(message, "Network Setup", MessageIcon::Warning); }, message));
                break;
            }
            case Path::Question: {
                const std::string question = OutsideNetworksQuestion(device);
                shown.push_back(FromMessageBox([&] { form.AskYesNo(question, "Network Setup"); }, question));
                break;
            }
            case Path::StatusBar: {
                const std::string status = device + ": now at " + device + " (after 5 s)";
                form.SetStatusText(status);
                shown.push_back({QStringLiteral("status"),
                                 form.StatusText->textFormat() == Qt::PlainText ? form.StatusText->text()
                                                                                : QStringLiteral("(not plain text)"),
                                 Q(status)});
                shown.push_back(
                    {QStringLiteral("status tool tip"), RenderedToolTip(form.StatusText->toolTip()), Q(status)});
                break;
            }
            case Path::SearchReport: {
                SearchReport report;
                report.relay = device;
                report.outsideNetworks = {device};
                report.problems.push_back({"outside-networks", device, device});
                QString seen = QStringLiteral("(no dialog)");
                QTimer::singleShot(0, [&] {
                    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                    if (dialog == nullptr) return;
                    if (auto* view = dialog->findChild<QPlainTextEdit*>(QStringLiteral("ReportText")))
                        seen = view->toPlainText();
                    dialog->reject();
                });
                ShowSearchReportDialog(&form, report, device);
                // The report is long; the device's text must be in it as written.
                shown.push_back({QStringLiteral("report"), seen.contains(Q(device)) ? Q(device) : seen, Q(device)});
                break;
            }
        }
        QVERIFY(!shown.empty());
        for (const Shown& s : shown)
            QVERIFY2(s.shown == s.expected, qPrintable(s.what + QStringLiteral(": ") + s.shown));
    }
};

QTEST_MAIN(DeviceTextTest)
#include "device_text_test.moc"
