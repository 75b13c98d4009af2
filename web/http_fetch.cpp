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
    manager.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkRequest request(qurl);
    request.setMaximumRedirectsAllowed(kMaxRedirects);

    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    // Unbounded by default: Qt would take in a relay's whole answer, however
    // large, before the limit below is ever checked.
    reply->setReadBufferSize(kReadBuffer);
    QByteArray body;
    bool stoppedEarly = false;  // enough of the page is here; the rest is never read
    bool cancelled = false;
    bool timedOut = false;
    QEventLoop loop;

    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        if (stoppedEarly) return;
        const QByteArray chunk = reply->read(static_cast<qint64>(kHtmlAnswerLimit) - body.size());
        body += chunk;
        // The page's text ends at its first zero byte: nothing after it counts.
        if (body.size() >= static_cast<qint64>(kHtmlAnswerLimit) || chunk.contains('\0')) {
            stoppedEarly = true;
            reply->abort();
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);

    const QDeadlineTimer deadline(timeout.count());
    QTimer poll;
    poll.setInterval(kCancelPoll);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (reply->isFinished()) return;
        if (cancel.load()) {
            cancelled = true;
            reply->abort();
        } else if (deadline.hasExpired()) {
            timedOut = true;
            reply->abort();
        }
    });
    poll.start();
    if (!reply->isFinished()) loop.exec();
    poll.stop();

    if (cancelled) {
        form.Log("HttpCmd: GET " + url + " cancelled");
        return false;
    }
    if (timedOut) {
        form.Log("HttpCmd: GET " + url + " gave no complete answer within " + Seconds(timeout));
        return false;
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const std::string reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toStdString();
    const std::string answered =
        "HttpCmd: GET " + url + " answered HTTP " + std::to_string(status) + (reason.empty() ? "" : " " + reason);
    if (!stoppedEarly && reply->error() != QNetworkReply::NoError) {
        form.Log(status >= 400 ? answered + ", not a page"
                               : "HttpCmd: GET " + url + " failed: " + reply->errorString().toStdString());
        return false;
    }
    if (status < 200 || status > 299) {
        form.Log(answered + ", not a page");
        return false;
    }
    if (!stoppedEarly) body += reply->read(static_cast<qint64>(kHtmlAnswerLimit) - body.size());

    lines = SplitPageLines(std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
    ApplyNoItemsRule(lines);
    return true;
}
