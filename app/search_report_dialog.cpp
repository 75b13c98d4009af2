// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/search_report_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "report/report_text.h"

void ShowSearchReportDialog(QWidget* parent, const SearchReport& report, const std::string& diagnosticLog) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("SearchReport"));
    dialog.setWindowTitle(QStringLiteral("Search Report"));
    dialog.resize(720, 520);
    auto* column = new QVBoxLayout(&dialog);

    const QString text = QString::fromStdString(ReportText(report));
    auto* reportView = new QPlainTextEdit(text, &dialog);
    reportView->setObjectName(QStringLiteral("ReportText"));
    reportView->setReadOnly(true);
    reportView->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    column->addWidget(reportView, 2);

    auto* logView = new QPlainTextEdit(QString::fromStdString(diagnosticLog), &dialog);
    logView->setObjectName(QStringLiteral("DiagnosticLog"));
    logView->setReadOnly(true);
    logView->setLineWrapMode(QPlainTextEdit::NoWrap);
    logView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    logView->hide();
    column->addWidget(logView, 1);

    auto* buttons = new QHBoxLayout();
    auto* copy = new QPushButton(QStringLiteral("Copy as Text"), &dialog);
    copy->setObjectName(QStringLiteral("CopyReport"));
    auto* showLog = new QPushButton(QStringLiteral("Show Diagnostic Log"), &dialog);
    showLog->setObjectName(QStringLiteral("ShowLog"));
    showLog->setCheckable(true);
    auto* close = new QPushButton(QStringLiteral("Close"), &dialog);
    close->setObjectName(QStringLiteral("CloseReport"));
    close->setDefault(true);
    buttons->addWidget(copy);
    buttons->addWidget(showLog);
    buttons->addStretch(1);
    buttons->addWidget(close);
    column->addLayout(buttons);

    QObject::connect(copy, &QPushButton::clicked, &dialog, [text] { QApplication::clipboard()->setText(text); });
    QObject::connect(showLog, &QPushButton::toggled, &dialog, [logView, showLog](bool shown) {
        logView->setVisible(shown);
        showLog->setText(shown ? QStringLiteral("Hide Diagnostic Log") : QStringLiteral("Show Diagnostic Log"));
    });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    dialog.exec();
}
