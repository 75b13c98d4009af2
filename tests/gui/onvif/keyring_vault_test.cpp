// SPDX-License-Identifier: GPL-3.0-or-later
// The keyring where there is none, as on a build machine: nothing is kept,
// and the refusal says why instead of passing for success.

#include "camera/keyring_vault.h"

#include <cstdlib>

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>

class KeyringVaultTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/lanvaro-test-bus"); }

    void withoutAKeyringNothingIsKeptAndSavingSaysSo() {
        KeyringVault vault;
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(!vault.Available(), "an unreachable keyring counts as none, so the dialog can say so");
        const std::string why =
            vault.Save("urn:uuid:7e57ca11-0000-4000-8000-000000000005", {{"admin", "secret"}, "127.0.0.5"});
        QVERIFY2(!why.empty(), "a password no keyring took was reported as kept");
        const VaultRead read = vault.Load("urn:uuid:7e57ca11-0000-4000-8000-000000000005");
        QVERIFY(!read.kept);
        QVERIFY2(read.failed, "an unreachable keyring is a failed read, not a missing entry");
        qInfo("save refused: %s; %lld ms", why.c_str(), static_cast<long long>(clock.elapsed()));
    }
};

QTEST_MAIN(KeyringVaultTest)
#include "keyring_vault_test.moc"
