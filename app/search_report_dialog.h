// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "Search Report" dialog: the last search's report, each problem with its
// fix, a button that copies it as text, and the diagnostic log on request.

#include <string>

class QWidget;
struct SearchReport;

// Shows the dialog modally. `diagnosticLog` is the hidden log's text.
void ShowSearchReportDialog(QWidget* parent, const SearchReport& report, const std::string& diagnosticLog);
