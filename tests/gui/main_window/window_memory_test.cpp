// SPDX-License-Identifier: GPL-3.0-or-later
// The relay addresses and the window geometry kept between starts, in a
// settings file of the test's own (never the user's).

#include "app/window_memory.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/main_form.h"

class WindowMemoryTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

    std::unique_ptr<QSettings> Settings() {
        return std::make_unique<QSettings>(dir_.filePath(QStringLiteral("lanvaro.conf")), QSettings::IniFormat);
    }

    static QStringList Items(QComboBox* box) {
        QStringList list;
        for (int i = 0; i < box->count(); ++i) list << box->itemText(i);
        return list;
    }

    static void TypeRelay(TMainForm& form, const QString& address) {
        form.ComboBox1->setEditText(address);
        form.Logic().ComboBox1Exit();
    }

private Q_SLOTS:
    void typedRelaysAndGeometryAreKeptBetweenStarts() {
        QVERIFY(dir_.isValid());
        QStringList typed;
        for (int i = 1; i <= 22; ++i) typed << QStringLiteral("203.0.113.%1").arg(i);
        {
            TMainForm form;
            new WindowMemory(form, Settings());
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.RadioButton2->setChecked(true);
            for (const QString& address : typed) TypeRelay(form, address);
            form.setGeometry(60, 50, 700, 500);
            QVERIFY(form.close());
        }
        QStringList newestFirst(typed.rbegin(), typed.rbegin() + 20);
        QCOMPARE(Settings()->value(QStringLiteral("relayAddresses")).toStringList(), newestFirst);

        TMainForm form;
        new WindowMemory(form, Settings());
        QStringList expected{QStringLiteral("<Customized>")};
        expected << typed.mid(2);
        QCOMPARE(Items(form.ComboBox1), expected);
        // The other controls start as designed.
        QCOMPARE(form.ComboBox1->currentText(), QStringLiteral("<Customized>"));
        QVERIFY(form.RadioButton1->isChecked());
        QCOMPARE(form.size(), QSize(700, 500));

        // Kept as soon as typed, not only at a clean end.
        form.RadioButton2->setChecked(true);
        TypeRelay(form, QStringLiteral("198.51.100.77"));
        const QStringList kept = Settings()->value(QStringLiteral("relayAddresses")).toStringList();
        QCOMPARE(kept.size(), 20);
        QCOMPARE(kept.first(), QStringLiteral("198.51.100.77"));
        QCOMPARE(kept.last(), QStringLiteral("203.0.113.4"));
    }

    // The ranges searched, oldest first, as the range box lists them; a file
    // holding more than twenty keeps the twenty newest.
    void searchedRangesAreKeptBetweenStarts() {
        QVERIFY(dir_.isValid());
        std::vector<std::string> searched;
        for (int i = 1; i <= 22; ++i) searched.push_back("203.0.113." + std::to_string(i) + "/32");
        {
            TMainForm form;
            new WindowMemory(form, Settings());
            form.SetAddressRangeItems(searched);
            QCOMPARE(Settings()->value(QStringLiteral("addressRanges")).toStringList().size(), 22);
        }
        TMainForm form;
        new WindowMemory(form, Settings());
        QCOMPARE(form.AddressRangeItems(), std::vector<std::string>(searched.begin() + 2, searched.end()));
        // The method starts as designed.
        QVERIFY(form.RadioButton1->isChecked());
    }
};

QTEST_MAIN(WindowMemoryTest)
#include "window_memory_test.moc"
