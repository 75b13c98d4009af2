// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tool tips have no text format of their own: Qt shows one that looks like
// HTML as HTML (a model "<h1>..." as a headline, "<img src=...>" read from
// disk). Every tool tip that carries device text is made here.

#include <QString>

// `text` escaped inside a paragraph, so Qt always takes it as rich text and
// shows it exactly as written, blanks and line breaks included. Empty stays
// empty: no tool tip.
QString PlainToolTip(const QString& text);
