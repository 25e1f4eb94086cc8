// The telephone and addresses windows: one pick list and two searches by
// input box each, driven by objectName on the offscreen platform against a
// generated database, with scripted boxes.
#include "data/module1.h"
#include "records/adrqueries.h"
#include "records/telqueries.h"
#include "support/recordui.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace tavro;
using namespace tavro::test;

namespace {

// The grid column each window's rows are recognised by.
QString keyColumn(const QString &kind)
{
    return kind == "tel" ? "TEL" : "ADRESSE";
}

const QStringList kAllTels{"0700 11 01", "0700 11 02", "0700 12 03", "0700 31 04",
                           "0700 31 05", "0700 31 06", "0700 31 07", "0700 99 99"};
const QStringList kAllStreets{"Boulevard des Tisserands", "Cité des Oliviers", "Impasse des Rosiers", "Place Neuve",
                              "Quartier Haut",            "Rue Basse",         "Rue de l'Église",     "école du Bas"};

} // namespace

class TestSearchWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void loading_data();
    void loading();
    void listThatCannotBeReadStaysEmpty_data();
    void listThatCannotBeReadStaysEmpty();
    void pick_data();
    void pick();
    void typedTextRunsNothing_data();
    void typedTextRunsNothing();
    void search_data();
    void search();

private:
    RecordFixture m_f;
};

void TestSearchWindows::init()
{
    m_f.setUp();
}

void TestSearchWindows::cleanup()
{
    m_f.tearDown();
}

void TestSearchWindows::loading_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QStringList>("rows");
    // Every office of TELE, repeats kept, the null name left out of the list.
    QTest::newRow("tel") << "tel"
        << QStringList{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "IGNAROLLE HAUT", "BORDJ L'HIRONDELLE",
                       "ÉLIANE PLATEAU", "ÉLIANE PLATEAU", "KIRB OUZERANDE"}
        << "AGENCES ZOLT" << telq::kInitial << "AGENCE"
        << QStringList{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "IGNAROLLE HAUT", "BORDJ L'HIRONDELLE",
                       "ÉLIANE PLATEAU", "ÉLIANE PLATEAU", "", "KIRB OUZERANDE"};
    // Each city once, the null one left out; the caption stays.
    QTest::newRow("adr") << "adr" << QStringList{"TAMBRELLE", "OUZERANDE", "ASPRELLE"} << "VILLES" << adrq::kInitial
        << "ADRESSE"
        << QStringList{"Rue de l'Église", "Cité des Oliviers", "Boulevard des Tisserands", "Quartier Haut",
                       "Rue Basse", "Impasse des Rosiers", "Place Neuve", "école du Bas"};
}

void TestSearchWindows::loading()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, items);
    QFETCH(QString, text);
    QFETCH(QString, query);
    QFETCH(QString, column);
    QFETCH(QStringList, rows);

    auto w = RecordFixture::show(kind);
    auto *combo = child<QComboBox>(w.get(), "Combo1");
    QCOMPARE(comboItems(combo), items);
    QCOMPARE(combo->currentText(), text);
    QCOMPARE(sourceOf(w.get())->recordSource(), query);
    QCOMPARE(gridColumn(w.get(), column), rows);
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestSearchWindows::listThatCannotBeReadStaysEmpty_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("text");
    QTest::newRow("tel") << "tel" << "ALTER TABLE TELE RENAME COLUMN AGENCE TO NOM" << "AGENCES ZOLT";
    QTest::newRow("adr") << "adr" << "ALTER TABLE QRT RENAME COLUMN PROVINCE TO VILLE" << "VILLES";
}

void TestSearchWindows::listThatCannotBeReadStaysEmpty()
{
    QFETCH(QString, kind);
    QFETCH(QString, change);
    QFETCH(QString, text);
    m_f.db->exec(change);
    auto w = makeRecordWindow(kind);
    auto *combo = child<QComboBox>(w.get(), "Combo1");
    QCOMPARE(combo->count(), 0);
    QCOMPARE(combo->currentText(), text);
    QCOMPARE(gridOf(w.get())->model()->rowCount(), 8); // the table itself still shows
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestSearchWindows::pick_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("rows"); // as a set
    QTest::addColumn<QString>("textAfter");

    QTest::newRow("tel office with two telephones") << "tel" << 4
        << "SELECT *  From TELE  WHERE AGENCE='ÉLIANE PLATEAU' ORDER BY AGENCE"
        << QStringList{"0700 31 05", "0700 31 06"} << "AGENCES ZOLT";
    QTest::newRow("tel second entry of that office") << "tel" << 5
        << "SELECT *  From TELE  WHERE AGENCE='ÉLIANE PLATEAU' ORDER BY AGENCE"
        << QStringList{"0700 31 05", "0700 31 06"} << "AGENCES ZOLT";
    QTest::newRow("tel apostrophe") << "tel" << 3
        << "SELECT *  From TELE  WHERE AGENCE='BORDJ L''HIRONDELLE' ORDER BY AGENCE" << QStringList{"0700 31 04"}
        << "AGENCES ZOLT";
    QTest::newRow("adr city with three streets") << "adr" << 0
        << "SELECT *  From QRT  WHERE PROVINCE='TAMBRELLE' ORDER BY PROVINCE"
        << QStringList{"Cité des Oliviers", "Rue Basse", "Rue de l'Église"} << "VILLES";
    QTest::newRow("adr last city") << "adr" << 2 << "SELECT *  From QRT  WHERE PROVINCE='ASPRELLE' ORDER BY PROVINCE"
        << QStringList{"Place Neuve", "école du Bas"} << "VILLES";
}

void TestSearchWindows::pick()
{
    QFETCH(QString, kind);
    QFETCH(int, index);
    QFETCH(QString, query);
    QFETCH(QStringList, rows);
    QFETCH(QString, textAfter);

    auto w = RecordFixture::show(kind);
    auto *combo = child<QComboBox>(w.get(), "Combo1");
    const QStringList items = comboItems(combo);
    for (int round = 0; round < 2; ++round) { // the same entry chosen again runs again
        sourceOf(w.get())->setRecordSource(QString());
        pickFromList(combo, index);
        QCOMPARE(sourceOf(w.get())->recordSource(), query);
        QCOMPARE(sorted(gridColumn(w.get(), keyColumn(kind))), rows);
        QCOMPARE(combo->currentText(), textAfter);
        QCOMPARE(comboItems(combo), items);
    }
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestSearchWindows::typedTextRunsNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("typed");
    QTest::newRow("tel") << "tel" << "IGNAROLLE HAUT";
    QTest::newRow("adr") << "adr" << "OUZERANDE";
}

void TestSearchWindows::typedTextRunsNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, typed);
    auto w = RecordFixture::show(kind);
    auto *combo = child<PickCombo>(w.get(), "Combo1");
    const QString query = sourceOf(w.get())->recordSource();
    QSignalSpy chosen(combo, &PickCombo::chosen);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(combo, typed);
    QTest::keyClick(combo, Qt::Key_Return);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    child<QPushButton>(w.get(), "Command8")->setFocus();
    QVERIFY(!combo->hasFocus());
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(sourceOf(w.get())->recordSource(), query);
}

void TestSearchWindows::search_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("rows"); // as a set

    const QString byProvince = "Entrer le nom de la Poste Principale svp ";
    const QString byName = "Entrer le code postale svp ";
    QTest::newRow("tel principal office, lower case") << "tel" << "Command8" << false << "ouz" << byProvince
        << " select * from TELE  where PROVINCE like 'ouz%'"
        << QStringList{"0700 31 04", "0700 31 05", "0700 31 06", "0700 31 07"};
    QTest::newRow("tel principal office, beginning only") << "tel" << "Command8" << false << "RP" << byProvince
        << " select * from TELE  where PROVINCE like 'RP%'" << QStringList();
    QTest::newRow("tel principal office, cancel") << "tel" << "Command8" << true << "" << byProvince
        << " select * from TELE  where PROVINCE like '%'" << kAllTels;
    QTest::newRow("tel name, accent") << "tel" << "Command9" << false << "éli" << byName
        << " SELECT * FROM TELE  where  AGENCE like 'éli%'" << QStringList{"0700 31 05", "0700 31 06"};
    QTest::newRow("tel name, apostrophe") << "tel" << "Command9" << false << "BORDJ L'" << byName
        << " SELECT * FROM TELE  where  AGENCE like 'BORDJ L''%'" << QStringList{"0700 31 04"};
    QTest::newRow("tel name, a postal code finds nothing") << "tel" << "Command9" << false << "16010" << byName
        << " SELECT * FROM TELE  where  AGENCE like '16010%'" << QStringList();
    QTest::newRow("tel name, empty: every named office") << "tel" << "Command9" << false << "" << byName
        << " SELECT * FROM TELE  where  AGENCE like '%'" << kAllTels.mid(0, 7);

    const QString byStreet = "Entrer le nom Quartier ou de Rue svp ";
    const QString byCode = "Entrer le Code Postale svp ";
    QTest::newRow("adr street, lower case") << "adr" << "Command8" << false << "rue" << byStreet
        << " select * from QRT  where  QUARTIER like 'rue%'" << QStringList{"Rue Basse", "Rue de l'Église"};
    QTest::newRow("adr street with an apostrophe") << "adr" << "Command8" << false << "Rue de l'É" << byStreet
        << " select * from QRT  where  QUARTIER like 'Rue de l''É%'" << QStringList{"Rue de l'Église"};
    QTest::newRow("adr street, accent in capitals") << "adr" << "Command8" << false << "ÉCOLE" << byStreet
        << " select * from QRT  where  QUARTIER like 'ÉCOLE%'" << QStringList{"école du Bas"};
    QTest::newRow("adr street, middle word finds nothing") << "adr" << "Command8" << false << "Oliviers" << byStreet
        << " select * from QRT  where  QUARTIER like 'Oliviers%'" << QStringList();
    QTest::newRow("adr street, cancel") << "adr" << "Command8" << true << "" << byStreet
        << " select * from QRT  where  QUARTIER like '%'" << kAllStreets;
    QTest::newRow("adr code, three digits across cities") << "adr" << "Command9" << false << "160" << byCode
        << " SELECT * FROM QRT  where  CPOSTALE like '160%'"
        << QStringList{"Cité des Oliviers", "Rue Basse", "Rue de l'Église"};
    QStringList withCode = kAllStreets;
    withCode.removeAll("Place Neuve");
    QTest::newRow("adr code, cancel: every row with a code") << "adr" << "Command9" << true << "" << byCode
        << " SELECT * FROM QRT  where  CPOSTALE like '%'" << withCode;
}

void TestSearchWindows::search()
{
    QFETCH(QString, kind);
    QFETCH(QString, button);
    QFETCH(bool, cancel);
    QFETCH(QString, typed);
    QFETCH(QString, prompt);
    QFETCH(QString, query);
    QFETCH(QStringList, rows);

    auto w = RecordFixture::show(kind);
    // A choice made before neither narrows the search nor is touched by it.
    auto *combo = child<QComboBox>(w.get(), "Combo1");
    pickFromList(combo, 1);
    const QString comboText = combo->currentText();
    if (!cancel) // an empty queue answers Cancel
        m_f.dialogs->answerInput(typed);
    QTest::mouseClick(child<QPushButton>(w.get(), button), Qt::LeftButton);

    QCOMPARE(m_f.dialogs->calls().size(), 1);
    QCOMPARE(m_f.dialogs->calls().first().kind, ScriptedDialogs::Call::Input);
    QCOMPARE(m_f.dialogs->calls().first().spec.text, prompt);
    QCOMPARE(m_f.dialogs->calls().first().spec.title, applicationTitle());
    QCOMPARE(sourceOf(w.get())->recordSource(), query);
    QCOMPARE(sorted(gridColumn(w.get(), keyColumn(kind))), sorted(rows));
    QCOMPARE(combo->currentText(), comboText);
}

QTEST_MAIN(TestSearchWindows)
#include "tst_searchwindows.moc"
