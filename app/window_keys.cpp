// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_keys.h"

#include <QAction>
#include <QPushButton>
#include <QShortcut>

#include "app/main_form.h"
#include "app/string_grid_widget.h"

void InstallWindowKeys(TMainForm& form) {
    auto* search = new QShortcut(QKeySequence(Qt::Key_F5), &form);
    search->setObjectName(QStringLiteral("SearchKey"));
    // click() does nothing while the button is disabled, as during a search.
    QObject::connect(search, &QShortcut::activated, form.Button1, &QPushButton::click);

    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* details = new QShortcut(QKeySequence(key), form.StringGrid1);
        details->setContext(Qt::WidgetShortcut);
        QObject::connect(details, &QShortcut::activated, &form, [&form] {
            if (form.StringGrid1->currentRow() >= 0) form.Info1->trigger();
        });
    }
}
