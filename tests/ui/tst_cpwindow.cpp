// The postal-code window driven by objectName on the offscreen platform,
// against a generated database, with scripted boxes.
#include "kit/bannertext.h"
#include "kit/clockbanner.h"
#include "data/module1.h"
#include "records/cpqueries.h"
#include "support/recordui.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace tavro;
using namespace tavro::test;

namespace {

const QStringList kAllAgences{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "IGNAROLLE HAUT", "AZURELLE NORD", "BORDJ L'HIRONDELLE",
                              "ÉLIANE PLATEAU",   "KIRB OUZERANDE",   "TAMBRELLE GARE", "AGRAVELLE",   "HAMEAU DES SOURCES"};
// Offices with a telephone row, once per row: the window's opening list.
const QStringList kJoinedAgences{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "IGNAROLLE HAUT",  "BORDJ L'HIRONDELLE",
                                 "ÉLIANE PLATEAU",   "ÉLIANE PLATEAU", "KIRB OUZERANDE",   "TAMBRELLE GARE"};

class FixedClock : public Clock {
public:
    QDate currentDate() const override { return {2026, 12, 6}; }
    QTime currentTime() const override { return {14, 5, 9}; }
};

} // namespace

class TestCpWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void gridColumnsAndFocus();
    void loading();
    void loadingWithoutSharedFile();
    void pick_data();
    void pick();
    void typedTextRunsNothing_data();
    void typedTextRunsNothing();
    void optionsShowTheirEntry();
    void search_data();
    void search();
    void postalCodeEntryTakesFiveCharacters();
    void switchingKeepsTypedTexts();
    void resultWithoutTelShowsEmpty();
    void banner_data();
    void banner();

private:
    RecordFixture m_f;
};

void TestCpWindow::init()
{
    m_f.setUp("cp");
}

void TestCpWindow::cleanup()
{
    m_f.tearDown();
    Clock::install(nullptr);
}

void TestCpWindow::gridColumnsAndFocus()
{
    QCOMPARE(QApplication::focusWidget(), gridOf(m_f.window.get()));
    auto *timer = child<QTimer>(m_f.window.get(), "Timer1");
    QCOMPARE(timer->interval(), 500);
    QVERIFY(timer->isActive());
    for (const char *name : {"Picture1", "Picture2"})
        QVERIFY2(!child<QLabel>(m_f.window.get(), name)->pixmap().isNull(), name);
    QCOMPARE(child<QLabel>(m_f.window.get(), "Picture1")->size(), QSize(80, 89));
    QCOMPARE(child<QLabel>(m_f.window.get(), "Picture2")->size(), QSize(160, 120));
}

void TestCpWindow::loading()
{
    auto window = makeRecordWindow("cp");
    QCOMPARE(comboItems(child<QComboBox>(window.get(), "Combo1")), (QStringList{"DR TAMBRELLE", "DR OUZERANDE"}));
    QCOMPARE(comboItems(child<QComboBox>(window.get(), "Combo2")),
             (QStringList{"TAMBRELLE RP", "AZURELLE RP", "OUZERANDE RP"}));
    QCOMPARE(comboItems(child<QComboBox>(window.get(), "Combo3")), kAllAgences);
    QCOMPARE(child<QComboBox>(window.get(), "Combo1")->currentText(), QString("DRECTIONS ZOLT"));
    QCOMPARE(child<QComboBox>(window.get(), "Combo2")->currentText(), QString("ZOLT PRINCIPALE"));
    QCOMPARE(child<QComboBox>(window.get(), "Combo3")->currentText(), QString("AGENCES ZOLT"));
    QCOMPARE(sourceOf(window.get())->recordSource(), cpq::kInitial);
    QCOMPARE(sorted(gridColumn(window.get(), "AGENCES ZOLT/KIRB")), sorted(kJoinedAgences));
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestCpWindow::loadingWithoutSharedFile()
{
    // The program folder holds no database: every list stays empty, loading
    // goes on, nothing is said; the grid reads the working folder's file.
    QTemporaryDir empty;
    Module1::setProgramFolder(empty.path());
    auto window = makeRecordWindow("cp");
    for (const char *name : {"Combo1", "Combo2", "Combo3"})
        QCOMPARE(child<QComboBox>(window.get(), name)->count(), 0);
    QCOMPARE(child<QComboBox>(window.get(), "Combo3")->currentText(), QString("AGENCES ZOLT"));
    QCOMPARE(child<QComboBox>(window.get(), "Combo1")->currentText(), QString("DRECTIONS ZOLT"));
    QCOMPARE(gridColumn(window.get(), "AGENCES ZOLT/KIRB").size(), kJoinedAgences.size());
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestCpWindow::pick_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("agences"); // in the order shown
    QTest::addColumn<QString>("textAfter");

    QTest::newRow("region") << "Combo1" << 0
        << "SELECT * FROM CODE WHERE REGION ='DR TAMBRELLE' ORDER BY  CODE.PROVINCE ,code.AGENCE"
        << QStringList{"IGNAROLLE HAUT", "TAMBRELLE CENTRE", "TAMBRELLE GARE", "TAMBRELLE GARE"} << "DR ZOLT";
    QTest::newRow("principal office") << "Combo2" << 0
        << "SELECT * From CODE  WHERE PROVINCE ='TAMBRELLE RP' ORDER BY AGENCE"
        << QStringList{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "TAMBRELLE GARE"} << "ZOLT PAL";
    QTest::newRow("office listed twice") << "Combo3" << 7
        << "SELECT *  From CODE  WHERE AGENCE  ='TAMBRELLE GARE' ORDER BY AGENCE"
        << QStringList{"TAMBRELLE GARE", "TAMBRELLE GARE"} << "AGENCES ZOLT";
    QTest::newRow("office with an apostrophe") << "Combo3" << 4
        << "SELECT *  From CODE  WHERE AGENCE  ='BORDJ L''HIRONDELLE' ORDER BY AGENCE"
        << QStringList{"BORDJ L'HIRONDELLE"} << "AGENCES ZOLT";
}

void TestCpWindow::pick()
{
    QFETCH(QString, combo);
    QFETCH(int, index);
    QFETCH(QString, query);
    QFETCH(QStringList, agences);
    QFETCH(QString, textAfter);

    auto *box = child<QComboBox>(m_f.window.get(), combo);
    const QStringList itemsBefore = comboItems(box);
    for (int round = 0; round < 2; ++round) { // the same entry chosen again runs again
        sourceOf(m_f.window.get())->setRecordSource(cpq::kShowAll);
        pickFromList(box, index);
        QCOMPARE(sourceOf(m_f.window.get())->recordSource(), query);
        QCOMPARE(gridColumn(m_f.window.get(), "AGENCES ZOLT/KIRB"), agences);
        QCOMPARE(child<QLineEdit>(m_f.window.get(), "Text1")->text(), agences.first());
        QCOMPARE(box->currentText(), textAfter);
        QCOMPARE(comboItems(box), itemsBefore);
    }
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestCpWindow::typedTextRunsNothing_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<QString>("typed");
    QTest::newRow("region") << "Combo1" << "DR OUZERANDE";
    QTest::newRow("principal office") << "Combo2" << "AZURELLE RP";
    QTest::newRow("office") << "Combo3" << "AZURELLE NORD";
}

void TestCpWindow::typedTextRunsNothing()
{
    QFETCH(QString, combo);
    QFETCH(QString, typed);
    auto *box = child<PickCombo>(m_f.window.get(), combo);
    QSignalSpy chosen(box, &PickCombo::chosen);
    const QStringList shown = gridColumn(m_f.window.get(), "AGENCES ZOLT/KIRB");

    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, typed);
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box->lineEdit(), Qt::Key_Enter);
    child<QRadioButton>(m_f.window.get(), "Option4")->setFocus(); // the focus leaves the field
    QVERIFY(!box->hasFocus());

    QCOMPARE(chosen.count(), 0);
    QCOMPARE(sourceOf(m_f.window.get())->recordSource(), cpq::kInitial);
    QCOMPARE(gridColumn(m_f.window.get(), "AGENCES ZOLT/KIRB"), shown);
    QCOMPARE(box->currentText(), typed);
}

void TestCpWindow::optionsShowTheirEntry()
{
    QWidget *w = m_f.window.get();
    auto shown = [w](const char *name) { return child<QWidget>(w, name)->isVisible(); };
    QTest::mouseClick(child<QRadioButton>(w, "Option4"), Qt::LeftButton);
    QVERIFY(shown("Text9") && shown("Command22") && !shown("Text7") && !shown("Command3"));
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(w, "Text9"));
    QTest::mouseClick(child<QRadioButton>(w, "Option2"), Qt::LeftButton);
    QVERIFY(!shown("Text9") && !shown("Command22") && shown("Text7") && shown("Command3"));
    QVERIFY(!child<QRadioButton>(w, "Option4")->isChecked());
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(w, "Text7"));
}

void TestCpWindow::search_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("agences"); // as a set

    QTest::newRow("code prefix") << "Option4" << "Text9" << "Command22" << "16"
        << "SELECT * FROM CODE WHERE CPOSTALE like '16%'"
        << QStringList{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "IGNAROLLE HAUT", "TAMBRELLE GARE"};
    QTest::newRow("code, one digit") << "Option4" << "Text9" << "Command22" << "6"
        << "SELECT * FROM CODE WHERE CPOSTALE like '6%'"
        << QStringList{"AZURELLE NORD", "BORDJ L'HIRONDELLE", "ÉLIANE PLATEAU", "KIRB OUZERANDE", "AGRAVELLE"};
    QTest::newRow("code, empty: every office with a code") << "Option4" << "Text9" << "Command22" << ""
        << "SELECT * FROM CODE WHERE CPOSTALE like '%'" << QStringList(kAllAgences.mid(0, 9));
    QTest::newRow("code, nothing matches") << "Option4" << "Text9" << "Command22" << "99"
        << "SELECT * FROM CODE WHERE CPOSTALE like '99%'" << QStringList();
    QTest::newRow("code, apostrophe") << "Option4" << "Text9" << "Command22" << "1'"
        << "SELECT * FROM CODE WHERE CPOSTALE like '1''%'" << QStringList();
    QTest::newRow("name, lower case") << "Option2" << "Text7" << "Command3" << "tambrelle"
        << " SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE WHERE CODE.AGENCE = TELE.AGENCE AND CODE.agence like 'tambrelle%' order by CODE.PROVINCE"
        << QStringList{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "TAMBRELLE GARE"};
    QTest::newRow("name, accent in lower case") << "Option2" << "Text7" << "Command3" << "éliane"
        << " SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE WHERE CODE.AGENCE = TELE.AGENCE AND CODE.agence like 'éliane%' order by CODE.PROVINCE"
        << QStringList{"ÉLIANE PLATEAU", "ÉLIANE PLATEAU"};
    QTest::newRow("name, apostrophe") << "Option2" << "Text7" << "Command3" << "BORDJ L'H"
        << " SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE WHERE CODE.AGENCE = TELE.AGENCE AND CODE.agence like 'BORDJ L''H%' order by CODE.PROVINCE"
        << QStringList{"BORDJ L'HIRONDELLE"};
    QTest::newRow("name, empty: every office with a telephone") << "Option2" << "Text7" << "Command3" << ""
        << " SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE WHERE CODE.AGENCE = TELE.AGENCE AND CODE.agence like '%' order by CODE.PROVINCE"
        << kJoinedAgences;
    QTest::newRow("name, office without telephone") << "Option2" << "Text7" << "Command3" << "AZURELLE"
        << " SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE WHERE CODE.AGENCE = TELE.AGENCE AND CODE.agence like 'AZURELLE%' order by CODE.PROVINCE"
        << QStringList();
}

void TestCpWindow::search()
{
    QFETCH(QString, option);
    QFETCH(QString, entry);
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, query);
    QFETCH(QStringList, agences);

    QWidget *w = m_f.window.get();
    QTest::mouseClick(child<QRadioButton>(w, option), Qt::LeftButton);
    auto *field = child<QLineEdit>(w, entry);
    typeText(field, typed);
    QCOMPARE(sourceOf(w)->recordSource(), cpq::kInitial); // typing runs nothing
    QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);

    QCOMPARE(sourceOf(w)->recordSource(), query);
    QCOMPARE(sorted(gridColumn(w, "AGENCES ZOLT/KIRB")), sorted(agences));
    QCOMPARE(field->text(), QString());
    QCOMPARE(QApplication::focusWidget(), field);
    // Only the data control may speak, and only for a query it could not run.
    for (const auto &call : m_f.dialogs->calls())
        QVERIFY2(typed.contains('\''), qPrintable(call.spec.text));

    // The count after the search is that of its result.
    QTest::mouseClick(child<QPushButton>(w, "Command10"), Qt::LeftButton);
    QCOMPARE(m_f.dialogs->messageTexts().last(), QString::number(agences.size()));
}

void TestCpWindow::postalCodeEntryTakesFiveCharacters()
{
    QTest::mouseClick(child<QRadioButton>(m_f.window.get(), "Option4"), Qt::LeftButton);
    auto *field = child<QLineEdit>(m_f.window.get(), "Text9");
    QTest::keyClicks(field, "161234");
    QCOMPARE(field->text(), QString("16123"));
}

void TestCpWindow::switchingKeepsTypedTexts()
{
    QWidget *w = m_f.window.get();
    QTest::mouseClick(child<QRadioButton>(w, "Option4"), Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>(w, "Text9"), "61");
    QTest::mouseClick(child<QRadioButton>(w, "Option2"), Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>(w, "Text7"), "KIRB");
    QTest::mouseClick(child<QRadioButton>(w, "Option4"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>(w, "Text9")->text(), QString("61"));
    QCOMPARE(child<QLineEdit>(w, "Text7")->text(), QString("KIRB"));
    QCOMPARE(sourceOf(w)->recordSource(), cpq::kInitial);
}

void TestCpWindow::resultWithoutTelShowsEmpty()
{
    QWidget *w = m_f.window.get();
    QTest::mouseClick(child<QRadioButton>(w, "Option4"), Qt::LeftButton);
    QTest::keyClicks(child<QLineEdit>(w, "Text9"), "16010");
    QTest::mouseClick(child<QPushButton>(w, "Command22"), Qt::LeftButton);
    QCOMPARE(gridColumn(w, "AGENCES ZOLT/KIRB"), QStringList{"TAMBRELLE CENTRE"});
    QCOMPARE(gridColumn(w, "TEL"), QStringList{QString()});
    QCOMPARE(child<QLineEdit>(w, "Text5")->text(), QString());
    QCOMPARE(child<QLineEdit>(w, "Text2")->text(), QString("16010"));
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

void TestCpWindow::banner_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fr_FR") << "fr_FR" << "KIRB TALMIRT, on est le 06/12/2026 , il est : 14:05:09";
    QTest::newRow("en_US") << "en_US" << "KIRB TALMIRT, on est le 12/6/26 , il est : 2:05:09 PM";
}

void TestCpWindow::banner()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    if (QLocale::system().name() != locale) {
        QVERIFY2(qEnvironmentVariableIsEmpty("TAVRO_LOCALE_RUN"), "the locale asked for is not installed");
        // The system locale is read once per process: run this row again in
        // a process started under that locale.
        QProcess again;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LANG", locale + ".UTF-8");
        env.insert("LC_ALL", locale + ".UTF-8");
        env.insert("LANGUAGE", locale); // it would override LC_ALL otherwise
        env.insert("TAVRO_LOCALE_RUN", "1");
        again.setProcessEnvironment(env);
        again.start(QCoreApplication::applicationFilePath(), {QString("banner:%1").arg(locale)});
        QVERIFY(again.waitForFinished(-1)); // bounded by the test run's own timeout
        QVERIFY2(again.exitCode() == 0, again.readAllStandardOutput().constData());
        return;
    }
    auto window = makeRecordWindow("cp");
    auto *label = child<ClockBanner>(window.get(), "Label7");
    QCOMPARE(label->text(), QString()); // empty until the first tick
    FixedClock clock;
    Clock::install(&clock);
    label->tick();
    QCOMPARE(label->text(), expected);
}

QTEST_MAIN(TestCpWindow)
#include "tst_cpwindow.moc"
