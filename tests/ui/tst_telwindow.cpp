// The telephone window driven by objectName on the offscreen platform,
// against a generated database, with scripted boxes.
#include "data/module1.h"
#include "records/telqueries.h"
#include "support/recordui.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace tavro;
using namespace tavro::test;

namespace {

const QStringList kTeleAgences{"TAMELLAHT CENTRE", "TAMELLAHT GARE", "IGHIL OUFELLA", "BORDJ L'HIRONDELLE",
                               "ÉLIANE PLATEAU",   "ÉLIANE PLATEAU", "",              "KIRB OUZZANE"};

} // namespace

class TestTelWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void gridAndLoading();
    void listThatCannotBeReadStaysEmpty();
    void pick_data();
    void pick();
    void typedTextRunsNothing();
    void search_data();
    void search();

private:
    RecordFixture m_f;
};

void TestTelWindow::init()
{
    m_f.setUp("tel");
}

void TestTelWindow::cleanup()
{
    m_f.tearDown();
}

void TestTelWindow::gridAndLoading()
{
    auto *combo = child<QComboBox>(m_f.window.get(), "Combo1");
    QStringList withoutNull = kTeleAgences;
    withoutNull.removeAll(QString()); // a null name adds no item
    QCOMPARE(comboItems(combo), withoutNull);
    QCOMPARE(combo->currentText(), QString("AGENCES ZOLT"));
    QCOMPARE(sourceOf(m_f.window.get())->recordSource(), telq::kInitial);
    QCOMPARE(gridColumn(m_f.window.get(), "AGENCE"), kTeleAgences);
    QVERIFY(m_f.dialogs->calls().isEmpty());

    const int before = Module1::connectCount();
    auto again = makeRecordWindow("tel");
    QCOMPARE(Module1::connectCount() - before, 1);
}

void TestTelWindow::listThatCannotBeReadStaysEmpty()
{
    m_f.db->exec("ALTER TABLE TELE RENAME COLUMN AGENCE TO NOM");
    auto window = makeRecordWindow("tel");
    auto *combo = child<QComboBox>(window.get(), "Combo1");
    QCOMPARE(combo->count(), 0);
    QCOMPARE(combo->currentText(), QString("AGENCES ZOLT"));
    QCOMPARE(gridOf(window.get())->model()->rowCount(), 8); // the table itself still shows
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestTelWindow::pick_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("tels");
    QTest::newRow("office with two telephones") << 4
        << "SELECT *  From TELE  WHERE AGENCE='ÉLIANE PLATEAU' ORDER BY AGENCE"
        << QStringList{"0700 31 05", "0700 31 06"};
    QTest::newRow("second entry of the same office") << 5
        << "SELECT *  From TELE  WHERE AGENCE='ÉLIANE PLATEAU' ORDER BY AGENCE"
        << QStringList{"0700 31 05", "0700 31 06"};
    QTest::newRow("apostrophe") << 3
        << "SELECT *  From TELE  WHERE AGENCE='BORDJ L''HIRONDELLE' ORDER BY AGENCE" << QStringList{"0700 31 04"};
}

void TestTelWindow::pick()
{
    QFETCH(int, index);
    QFETCH(QString, query);
    QFETCH(QStringList, tels);
    auto *combo = child<QComboBox>(m_f.window.get(), "Combo1");
    const int before = Module1::connectCount();
    pickFromList(combo, index);
    QCOMPARE(Module1::connectCount() - before, 1);
    QCOMPARE(sourceOf(m_f.window.get())->recordSource(), query);
    QCOMPARE(sorted(gridColumn(m_f.window.get(), "TEL")), tels);
    QCOMPARE(combo->currentText(), QString("AGENCES ZOLT"));
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestTelWindow::typedTextRunsNothing()
{
    auto *combo = child<PickCombo>(m_f.window.get(), "Combo1");
    QSignalSpy chosen(combo, &PickCombo::chosen);
    const int before = Module1::connectCount();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(combo, "IGHIL OUFELLA");
    QTest::keyClick(combo, Qt::Key_Return);
    child<QPushButton>(m_f.window.get(), "Command9")->setFocus();
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(Module1::connectCount(), before);
    QCOMPARE(sourceOf(m_f.window.get())->recordSource(), telq::kInitial);
}

void TestTelWindow::search_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("tels");

    const QString byProvince = "Entrer le nom de la Poste Principale svp ";
    const QString byName = "Entrer le code postale svp ";
    const QStringList all{"0700 11 01", "0700 11 02", "0700 12 03", "0700 31 04",
                          "0700 31 05", "0700 31 06", "0700 31 07", "0700 99 99"};
    QTest::newRow("principal office, lower case") << "Command8" << false << "ouz" << byProvince
        << " select * from TELE  where PROVINCE like 'ouz%'"
        << QStringList{"0700 31 04", "0700 31 05", "0700 31 06", "0700 31 07"};
    QTest::newRow("principal office, beginning only") << "Command8" << false << "RP" << byProvince
        << " select * from TELE  where PROVINCE like 'RP%'" << QStringList();
    QTest::newRow("principal office, cancel") << "Command8" << true << "" << byProvince
        << " select * from TELE  where PROVINCE like '%'" << all;
    QTest::newRow("name, accent") << "Command9" << false << "éli" << byName
        << " SELECT * FROM TELE  where  AGENCE like 'éli%'" << QStringList{"0700 31 05", "0700 31 06"};
    QTest::newRow("name, apostrophe") << "Command9" << false << "BORDJ L'" << byName
        << " SELECT * FROM TELE  where  AGENCE like 'BORDJ L''%'" << QStringList{"0700 31 04"};
    QTest::newRow("name, a postal code finds nothing") << "Command9" << false << "16010" << byName
        << " SELECT * FROM TELE  where  AGENCE like '16010%'" << QStringList();
    QTest::newRow("name, empty: every named office") << "Command9" << false << "" << byName
        << " SELECT * FROM TELE  where  AGENCE like '%'" << all.mid(0, 7);
}

void TestTelWindow::search()
{
    QFETCH(QString, button);
    QFETCH(bool, cancel);
    QFETCH(QString, typed);
    QFETCH(QString, prompt);
    QFETCH(QString, query);
    QFETCH(QStringList, tels);

    auto *combo = child<QComboBox>(m_f.window.get(), "Combo1");
    pickFromList(combo, 0);
    if (!cancel)
        m_f.dialogs->answerInput(typed);
    QTest::mouseClick(child<QPushButton>(m_f.window.get(), button), Qt::LeftButton);
    QCOMPARE(m_f.dialogs->calls().size(), 1);
    QCOMPARE(m_f.dialogs->calls().first().kind, ScriptedDialogs::Call::Input);
    QCOMPARE(m_f.dialogs->calls().first().spec.text, prompt);
    QCOMPARE(m_f.dialogs->calls().first().spec.title, applicationTitle());
    QCOMPARE(sourceOf(m_f.window.get())->recordSource(), query);
    QCOMPARE(sorted(gridColumn(m_f.window.get(), "TEL")), tels);
    QCOMPARE(combo->currentText(), QString("AGENCES ZOLT"));
}

QTEST_MAIN(TestTelWindow)
#include "tst_telwindow.moc"
