// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The HTTP command fetch: one GET of the relay's device table page. Qt stays
// inside http_fetch.cpp; callers see plain C++ only.

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "protocol/window_ops.h"

// Blocking GET of "http://" + relayAddress + path on the calling thread (the
// search's worker thread), given up after `timeout` or as soon as `cancel`
// turns true. Redirects are followed a bounded number of times, and only on
// the relay's own host and port. The answer's first 1,048,576 bytes become
// `lines` (SplitPageLines, then ApplyNoItemsRule). Returns true when a page
// arrived. On a refused relay address, a failed, refused or timed-out
// request, a redirect to another host, or an answer that is not a page (HTTP
// status other than 2xx): `lines` is left empty, one line saying why goes to
// form.Log, and the result is false.
bool FetchHtml(WindowOps& form, const std::string& relayAddress, const std::string& path,
               std::vector<std::string>& lines, const std::atomic<bool>& cancel,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Makes sure a QCoreApplication exists. lanvaro-cli and the tests call it on
// the main thread before any fetch; the GUI has its QApplication.
void EnsureQtCoreApplication();
