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

    void controls_data();
    void controls();
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

void TestAdrWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("enabled");
    auto row = [](const char *name, const char *kind, const char *container, const QString &text,
                  const QString &tip = {}, bool shown = true, bool enabled = true) {
        QTest::newRow(name) << QString(name) << QString(kind) << QString(container) << text << tip << shown << enabled;
    };
    row("Picture1", "QLabel", "adr", "");
    row("Label6", "QLabel", "adr", "ADRESSE DES 24 GRANDES VILLES");
    row("Picture2", "QLabel", "adr", "");
    row("Frame1", "QGroupBox", "adr", "AFFICHAGE", {}, true, false);
    row("Label1", "QLabel", "Frame1", "VILLE:", {}, true, false);
    row("Text1", "QLineEdit", "Frame1", "TAMELLAHT", {}, true, false);
    row("Label2", "QLabel", "Frame1", "ADRESSE:", {}, true, false);
    row("Text2", "QLineEdit", "Frame1", "Rue de l'Église", {}, true, false);
    row("Label3", "QLabel", "Frame1", "CODE POSTALE:", {}, true, false);
    row("Text3", "QLineEdit", "Frame1", "16001", {}, true, false);
    row("DataGrid1", "tavro::DataGrid", "adr", "");
    row("Adodc1", "tavro::DataControl", "adr", "");
    row("Frame4", "QGroupBox", "adr", "MANIPULATION");
    row("Command1", "QPushButton", "Frame4", "&Modifier", "MODIFIER AJOUTER SUPPRIMER");
    row("Command3", "QPushButton", "Frame4", "NOMBRE ENREGISTREMENT");
    row("Command10", "QPushButton", "Frame4", "AFFICHER TOUT");
    row("Frame2", "QGroupBox", "adr", "MODIFICATION", {}, false);
    row("Command4", "QPushButton", "Frame2", "&Nouveau", {}, false);
    row("Command6", "QPushButton", "Frame2", "&Supprimer", {}, false);
    row("Command5", "QPushButton", "Frame2", "ENREGISTRER", {}, false);
    row("Frame3", "QGroupBox", "adr", "RECHERCHE");
    row("Combo1", "tavro::PickCombo", "Frame3", "VILLES", "CHOISIR LA VILLE");
    row("Command8", "QPushButton", "Frame3", "RECHERCHE PAR ADRESSE", "SAISIR L'ADRESSE ");
    row("Command9", "QPushButton", "Frame3", "RECHERCHE PAR CODE", "SAISIR LE CODE POSTALE");
    row("cmdfermer", "QPushButton", "adr", "&Fermer");
}

void TestAdrWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(bool, shown);
    QFETCH(bool, enabled);
    const QList<QWidget *> found = m_f.window->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *w = found.first();
    QCOMPARE(QString(w->metaObject()->className()), kind);
    QCOMPARE(containerOf(w), container);
    QCOMPARE(shownText(w), text);
    QCOMPARE(w->toolTip(), toolTip);
    QCOMPARE(w->isVisibleTo(m_f.window.get()), shown);
    QCOMPARE(w->isEnabledTo(m_f.window.get()), enabled);
}

void TestAdrWindow::gridAndLoading()
{
    QCOMPARE(gridCaptions(m_f.window.get()), (QStringList{"ADRESSE", "C P", "VILLE"}));
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
