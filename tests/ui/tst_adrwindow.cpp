// The addresses window driven by objectName on the offscreen platform,
// against a generated database, with scripted boxes.
#include "data/module1.h"
#include "records/adrqueries.h"
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

const QStringList kAllStreets{"Rue de l'Église", "Cité des Oliviers",   "Boulevard des Tisserands", "Quartier Haut",
                              "Rue Basse",       "Impasse des Rosiers", "Place Neuve",              "école du Bas"};

} // namespace

class TestAdrWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void gridAndLoading();
    void pick_data();
    void pick();
    void typedTextRunsNothing();
    void search_data();
    void search();

private:
    RecordFixture m_f;
};

void TestAdrWindow::init()
{
    m_f.setUp("adr");
}

void TestAdrWindow::cleanup()
{
    m_f.tearDown();
}

void TestAdrWindow::gridAndLoading()
{
    auto *combo = child<QComboBox>(m_f.window.get(), "Combo1");
    QCOMPARE(comboItems(combo), (QStringList{"TAMELLAHT", "OUZZANE", "ASSIRDANE"})); // distinct, null skipped
    QCOMPARE(combo->currentText(), QString("VILLES"));
    QCOMPARE(sourceOf(m_f.window.get())->recordSource(), adrq::kInitial);
    QCOMPARE(gridColumn(m_f.window.get(), "ADRESSE"), kAllStreets);
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestAdrWindow::pick_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("streets");
    QTest::newRow("city with three streets") << 0 << "SELECT *  From QRT  WHERE PROVINCE='TAMELLAHT' ORDER BY PROVINCE"
                                            << QStringList{"Rue de l'Église", "Cité des Oliviers", "Rue Basse"};
    QTest::newRow("last city") << 2 << "SELECT *  From QRT  WHERE PROVINCE='ASSIRDANE' ORDER BY PROVINCE"
                               << QStringList{"Place Neuve", "école du Bas"};
}

void TestAdrWindow::pick()
{
    QFETCH(int, index);
    QFETCH(QString, query);
    QFETCH(QStringList, streets);
    auto *combo = child<QComboBox>(m_f.window.get(), "Combo1");
    for (int round = 0; round < 2; ++round) {
        const int before = Module1::connectCount();
        pickFromList(combo, index);
        QCOMPARE(Module1::connectCount() - before, 1);
        QCOMPARE(sourceOf(m_f.window.get())->recordSource(), query);
        QCOMPARE(sorted(gridColumn(m_f.window.get(), "ADRESSE")), sorted(streets));
        QCOMPARE(combo->currentText(), QString("VILLES"));
        QCOMPARE(combo->count(), 3);
    }
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestAdrWindow::typedTextRunsNothing()
{
    auto *combo = child<PickCombo>(m_f.window.get(), "Combo1");
    QSignalSpy chosen(combo, &PickCombo::chosen);
    const int before = Module1::connectCount();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(combo, "OUZZANE");
    QTest::keyClick(combo, Qt::Key_Return);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    child<QPushButton>(m_f.window.get(), "Command8")->setFocus();
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(Module1::connectCount(), before);
    QCOMPARE(sourceOf(m_f.window.get())->recordSource(), adrq::kInitial);
}

void TestAdrWindow::search_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("streets");

    const QString byStreet = "Entrer le nom Quartier ou de Rue svp ";
    const QString byCode = "Entrer le Code Postale svp ";
    QTest::newRow("street, lower case") << "Command8" << false << "rue" << byStreet
        << " select * from QRT  where  QUARTIER like 'rue%'" << QStringList{"Rue Basse", "Rue de l'Église"};
    QTest::newRow("street with an apostrophe") << "Command8" << false << "Rue de l'É" << byStreet
        << " select * from QRT  where  QUARTIER like 'Rue de l''É%'" << QStringList{"Rue de l'Église"};
    QTest::newRow("street, accent in capitals") << "Command8" << false << "ÉCOLE" << byStreet
        << " select * from QRT  where  QUARTIER like 'ÉCOLE%'" << QStringList{"école du Bas"};
    QTest::newRow("street, middle word finds nothing") << "Command8" << false << "Oliviers" << byStreet
        << " select * from QRT  where  QUARTIER like 'Oliviers%'" << QStringList();
    QTest::newRow("street, cancel") << "Command8" << true << "" << byStreet
        << " select * from QRT  where  QUARTIER like '%'" << sorted(kAllStreets);
    QTest::newRow("code, three digits across cities") << "Command9" << false << "160" << byCode
        << " SELECT * FROM QRT  where  CPOSTALE like '160%'"
        << QStringList{"Cité des Oliviers", "Rue Basse", "Rue de l'Église"};
    QTest::newRow("code, cancel: every row with a code") << "Command9" << true << "" << byCode
        << " SELECT * FROM QRT  where  CPOSTALE like '%'"
        << sorted(QStringList{"Rue de l'Église", "Cité des Oliviers", "Boulevard des Tisserands", "Quartier Haut",
                              "Rue Basse", "Impasse des Rosiers", "école du Bas"});
}

void TestAdrWindow::search()
{
    QFETCH(QString, button);
    QFETCH(bool, cancel);
    QFETCH(QString, typed);
    QFETCH(QString, prompt);
    QFETCH(QString, query);
    QFETCH(QStringList, streets);

    // A city chosen before does not narrow the search.
    pickFromList(child<QComboBox>(m_f.window.get(), "Combo1"), 1);
    if (!cancel)
        m_f.dialogs->answerInput(typed);
    QTest::mouseClick(child<QPushButton>(m_f.window.get(), button), Qt::LeftButton);
    QCOMPARE(m_f.dialogs->calls().size(), 1);
    QCOMPARE(m_f.dialogs->calls().first().spec.text, prompt);
    QCOMPARE(m_f.dialogs->calls().first().spec.title, applicationTitle());
    QCOMPARE(sourceOf(m_f.window.get())->recordSource(), query);
    QCOMPARE(sorted(gridColumn(m_f.window.get(), "ADRESSE")), sorted(streets));
}

QTEST_MAIN(TestAdrWindow)
#include "tst_adrwindow.moc"
