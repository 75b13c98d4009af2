// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/keyring_vault.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>
#include <qt6keychain/keychain.h>

namespace {

const QString kService = QStringLiteral("Lanvaro ONVIF cameras");
// The keyring may ask the user to unlock it; a keyring that never answers
// must not hold the window for ever.
constexpr int kJobLimitMs = 60000;

QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Runs a job to its end while the window keeps handling its messages.
QKeychain::Error Run(QKeychain::Job& job, QString* errorText = nullptr) {
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(kJobLimitMs, &loop, &QEventLoop::quit);
    job.start();
    if (!finished) loop.exec();
    if (!finished) {
        if (errorText) *errorText = QStringLiteral("the keyring did not answer");
        return QKeychain::OtherError;
    }
    if (errorText) *errorText = job.errorString();
    return job.error();
}

}  // namespace

VaultRead KeyringVault::Load(const std::string& endpoint) {
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(Q(endpoint));
    const QKeychain::Error error = Run(job);
    if (error == QKeychain::NoBackendAvailable) available_ = false;
    if (error == QKeychain::EntryNotFound) return {};
    if (error != QKeychain::NoError) return {std::nullopt, true};
    const QJsonObject stored = QJsonDocument::fromJson(job.textData().toUtf8()).object();
    if (!stored.contains(QStringLiteral("user"))) return {};
    // An entry kept before addresses were remembered has none: it is offered
    // nowhere until the user signs in again.
    return {KeptSignIn{{stored.value(QStringLiteral("user")).toString().toStdString(),
                        stored.value(QStringLiteral("password")).toString().toStdString()},
                       stored.value(QStringLiteral("address")).toString().toStdString()}};
}

std::string KeyringVault::Save(const std::string& endpoint, const KeptSignIn& kept) {
    QKeychain::WritePasswordJob job(kService);
    job.setKey(Q(endpoint));
    QJsonObject stored;
    stored.insert(QStringLiteral("user"), Q(kept.credentials.user));
    stored.insert(QStringLiteral("password"), Q(kept.credentials.password));
    stored.insert(QStringLiteral("address"), Q(kept.address));
    job.setTextData(QString::fromUtf8(QJsonDocument(stored).toJson(QJsonDocument::Compact)));
    QString why;
    const QKeychain::Error error = Run(job, &why);
    if (error == QKeychain::NoError) return {};
    if (error == QKeychain::NoBackendAvailable) available_ = false;
    return "the keyring did not take it: " + (why.isEmpty() ? std::string("no reason given") : why.toStdString());
}

void KeyringVault::Forget(const std::string& endpoint) {
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(Q(endpoint));
    Run(job);
}

bool KeyringVault::Available() {
    if (!available_) {
        // A read of an entry nobody writes tells a missing keyring from a
        // missing entry; without a session bus the Secret Service library
        // answers with an unnamed error, not NoBackendAvailable.
        QKeychain::ReadPasswordJob job(kService);
        job.setKey(QStringLiteral("lanvaro-keyring-check"));
        const QKeychain::Error error = Run(job);
        available_ =
            error == QKeychain::NoError || error == QKeychain::EntryNotFound || error == QKeychain::AccessDenied;
    }
    return *available_;
}
