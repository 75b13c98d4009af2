// SPDX-License-Identifier: GPL-3.0-or-later
// The status line in a window too narrow for it.

#include "app/elided_label.h"

#include <QStatusBar>
#include <QTest>
#include <QTextDocument>

#include "app/main_form.h"

class ElidedLabelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aNarrowWindowShowsTheLineCutWithAnEllipsisAndKeepsItWhole() {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const std::string line =
            "2,000 devices · UPnP 50 answered · ONVIF 100 devices · 20 devices outside your networks";
        form.SetStatusText(line);
        auto* status = dynamic_cast<ElidedLabel*>(form.findChild<QLabel*>(QStringLiteral("StatusText")));
        QVERIFY(status != nullptr);

        form.resize(1600, form.height());
        QTRY_COMPARE(status->ShownText(), QString::fromStdString(line));

        form.resize(320, form.height());
        QTRY_VERIFY(status->width() < status->fontMetrics().horizontalAdvance(status->text()));
        const QString shown = status->ShownText();
        QVERIFY2(shown.endsWith(QStringLiteral("…")), qPrintable(shown));
        QVERIFY(shown.size() < static_cast<qsizetype>(QString::fromStdString(line).size()));
        QVERIFY(QString::fromStdString(line).startsWith(shown.chopped(1)));
        // Copying or reading the tool tip still gives the whole line.
        QCOMPARE(status->text(), QString::fromStdString(line));
        QTextDocument tip;
        tip.setHtml(status->toolTip());
        QCOMPARE(tip.toPlainText(), QString::fromStdString(line));
    }
};

QTEST_MAIN(ElidedLabelTest)
#include "elided_label_test.moc"
