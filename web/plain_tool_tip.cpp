// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/plain_tool_tip.h"

QString PlainToolTip(const QString& text) {
    if (text.isEmpty()) return {};
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() + QStringLiteral("</p>");
}
