// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A one-line label that, when narrower than its text, shows the text cut
// with "…" instead of clipped mid-letter; text() stays the whole line.

#include <QLabel>

class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent = nullptr) : QLabel(parent) {}

    // What the label shows at its present width.
    QString ShownText() const;

    // Lets a status bar or layout shrink it below the text's width.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
