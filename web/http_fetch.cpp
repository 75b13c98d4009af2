// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/http_fetch.h"

#include <memory>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include "web/html_table_parser.h"
#include "web/http_command.h"

namespace {

constexpr int kMaxRedirects = 10;
constexpr qint64 kReadBuffer = 64 * 1024;
constexpr std::chrono::milliseconds kCancelPoll{20};

std::string Seconds(std::chrono::milliseconds ms) {
    const auto count = ms.count();
    if (count % 1000 == 0) return std::to_string(count / 1000) + " s";
    return std::to_string(count) + " ms";
}

int PortOf(const QUrl& url) { return url.port(url.scheme() == QLatin1String("https") ? 443 : 80); }

// A relay may send the fetch on only within itself: a redirect to another
// host would make this computer fetch what a LAN host chose (a router's
// page, a service on loopback).
bool SameHostAndPort(const QUrl& a, const QUrl& b) {
    return a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && PortOf(a) == PortOf(b);
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

struct Answer {
    bool cancelled = false;
    bool timedOut = false;
    bool stoppedEarly = false;  // enough of the page is here; the rest was never read
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    std::string errorText;
    int status = 0;
    std::string reason;
    QUrl location;  // of a redirect
    QByteArray body;
};

// One GET, without following redirects: each one is checked before it is taken.
Answer GetOnce(QNetworkAccessManager& manager, const QUrl& url, const std::atomic<bool>& cancel,
               const QDeadlineTimer& deadline) {
    Answer answer;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    // Unbounded by default: Qt would take in a relay's whole answer, however
    // large, before the limit below is ever checked.
    reply->setReadBufferSize(kReadBuffer);
    QEventLoop loop;

    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        if (answer.stoppedEarly) return;
        const QByteArray chunk = reply->read(static_cast<qint64>(kHtmlAnswerLimit) - answer.body.size());
        answer.body += chunk;
        // The page's text ends at its first zero byte: nothing after it counts.
        if (answer.body.size() >= static_cast<qint64>(kHtmlAnswerLimit) || chunk.contains('\0')) {
            answer.stoppedEarly = true;
            reply->abort();
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);

    QTimer poll;
    poll.setInterval(kCancelPoll);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (reply->isFinished()) return;
        if (cancel.load()) {
            answer.cancelled = true;
            reply->abort();
        } else if (deadline.hasExpired()) {
            answer.timedOut = true;
            reply->abort();
        }
    });
    poll.start();
    if (!reply->isFinished()) loop.exec();
    poll.stop();

    answer.error = reply->error();
    answer.errorText = reply->errorString().toStdString();
    answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    answer.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toStdString();
    answer.location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!answer.stoppedEarly) answer.body += reply->read(static_cast<qint64>(kHtmlAnswerLimit) - answer.body.size());
    return answer;
}

}  // namespace

void EnsureQtCoreApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "lanvaro";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

bool FetchHtml(WindowOps& form, const std::string& relayAddress, const std::string& path,
               std::vector<std::string>& lines, const std::atomic<bool>& cancel, std::chrono::milliseconds timeout) {
    lines.clear();
    std::string why;
    if (!IsValidRelayHost(relayAddress, &why)) {
        form.Log("HttpCmd: relay address \"" + relayAddress + "\" refused: " + why);
        return false;
    }
    const std::string url = "http://" + relayAddress + path;
    if (!QCoreApplication::instance()) {
        form.Log("HttpCmd: GET " + url + " not sent: no Qt application object");
        return false;
    }
    const QUrl qurl = QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::StrictMode);
    if (!qurl.isValid()) {
        form.Log("HttpCmd: GET " + url + " not sent: " + qurl.errorString().toStdString());
        return false;
    }

    QNetworkAccessManager manager;
    // The relay is on the LAN; an http_proxy of the desktop must not reroute it.
    manager.setProxy(QNetworkProxy::NoProxy);
    const QDeadlineTimer deadline(timeout.count());

    QUrl current = qurl;
    std::string shown = url;  // the URL that answered, as the log names it
    Answer answer;
    for (int redirects = 0;; ++redirects) {
        answer = GetOnce(manager, current, cancel, deadline);
        if (answer.cancelled || answer.timedOut || answer.error != QNetworkReply::NoError ||
            !IsRedirect(answer.status) || answer.location.isEmpty())
            break;
        const QUrl next = current.resolved(answer.location);
        const std::string target = next.toEncoded().toStdString();
        if (!SameHostAndPort(qurl, next)) {
            form.Log("HttpCmd: GET " + shown + " redirected to " + target + ", another host: not followed");
            return false;
        }
        if (redirects == kMaxRedirects) {
            form.Log("HttpCmd: GET " + url + " failed: more than " + std::to_string(kMaxRedirects) + " redirects");
            return false;
        }
        current = next;
        shown = target;
    }

    if (answer.cancelled) {
        form.Log("HttpCmd: GET " + url + " cancelled");
        return false;
    }
    if (answer.timedOut) {
        form.Log("HttpCmd: GET " + url + " gave no complete answer within " + Seconds(timeout));
        return false;
    }
    const std::string answered = "HttpCmd: GET " + shown + " answered HTTP " + std::to_string(answer.status) +
                                 (answer.reason.empty() ? "" : " " + answer.reason);
    if (!answer.stoppedEarly && answer.error != QNetworkReply::NoError) {
        form.Log(answer.status >= 400 ? answered + ", not a page"
                                      : "HttpCmd: GET " + shown + " failed: " + answer.errorText);
        return false;
    }
    if (answer.status < 200 || answer.status > 299) {
        form.Log(answered + ", not a page");
        return false;
    }

    lines = SplitPageLines(std::string_view(answer.body.constData(), static_cast<std::size_t>(answer.body.size())));
    ApplyNoItemsRule(lines);
    return true;
}
