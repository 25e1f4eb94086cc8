// The editing workflow the three record windows share: unlock, new, save,
// delete, count, show all and close, each read back from the file.
#include "app/mainwindow.h"
#include "app/shell.h"
#include "records/querytext.h"
#include "support/recordui.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace tavro;
using namespace tavro::test;

namespace {

// Rows of each table in the generated file, and the query that reads one
// field back by its row's key.
int tableRows(const QString &kind)
{
    return kind == "cp" ? 10 : 8;
}

QString tableOf(const QString &kind)
{
    return kind == "cp" ? "CODE" : kind == "tel" ? "TELE" : "QRT";
}

// How long a key press may take to be released on a loaded machine.
constexpr int kPatience = 30000;

} // namespace

class TestRecordWorkflow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void unlock_data();
    void unlock();
    void countAndShowAll_data();
    void countAndShowAll();
    void countAfterEmptySearch_data();
    void countAfterEmptySearch();
    void deleteWithoutRowSaysSo_data();
    void deleteWithoutRowSaysSo();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void newRoundTrip_data();
    void newRoundTrip();
    void deleteRoundTrip_data();
    void deleteRoundTrip();
    void saveRefusedByConcurrentChange_data();
    void saveRefusedByConcurrentChange();
    void lockBelongsToOneWindow();
    void mnemonicsPressTheActiveWindowsButtons();
    void closeDestroysAndReopensLocked();

private:
    void unlockWindow(RecordWindow *w, const QString &kind);
    std::unique_ptr<RecordWindow> openForEditing(const QString &kind, bool wholeTable = true);
    void searchNothing(RecordWindow *w, const QString &kind, const QString &button);

    RecordFixture m_f;
};

void TestRecordWorkflow::init()
{
    m_f.setUp();
}

void TestRecordWorkflow::cleanup()
{
    m_f.tearDown();
}

void TestRecordWorkflow::unlockWindow(RecordWindow *w, const QString &kind)
{
    m_f.dialogs->answerInput(kEditPassword);
    QTest::mouseClick(child<QPushButton>(w, specOf(kind).unlock.name), Qt::LeftButton);
    QVERIFY(w->isUnlocked());
    m_f.dialogs->clear();
}

// A window on the whole table (or on its opening query), unlocked.
std::unique_ptr<RecordWindow> TestRecordWorkflow::openForEditing(const QString &kind, bool wholeTable)
{
    auto w = RecordFixture::show(kind);
    if (wholeTable)
        QTest::mouseClick(child<QPushButton>(w.get(), specOf(kind).showAll.name), Qt::LeftButton);
    unlockWindow(w.get(), kind);
    return w;
}

void TestRecordWorkflow::unlock_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("unlockedBefore");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("unlockedAfter");
    for (const char *kind : {"cp", "tel", "adr"}) {
        auto row = [kind](const char *what, bool before, bool cancel, const QString &typed, bool after) {
            QTest::addRow("%s: %s", kind, what) << QString(kind) << before << cancel << typed << after;
        };
        row("right password", false, false, "QXV", true);
        row("lower case", false, false, "qxv", false);
        row("blank before", false, false, " QXV", false);
        row("blank after", false, false, "QXV ", false);
        row("empty", false, false, "", false);
        row("cancel", false, true, "", false);
        row("right password again", true, false, "QXV", true);
        row("wrong password when unlocked", true, false, "QX", true);
    }
}

void TestRecordWorkflow::unlock()
{
    QFETCH(QString, kind);
    QFETCH(bool, unlockedBefore);
    QFETCH(bool, cancel);
    QFETCH(QString, typed);
    QFETCH(bool, unlockedAfter);

    auto w = RecordFixture::show(kind);
    const RecordWindowSpec spec = specOf(kind);
    QVERIFY(!w->isUnlocked());
    if (unlockedBefore)
        unlockWindow(w.get(), kind);
    if (!cancel) // an empty queue answers Cancel
        m_f.dialogs->answerInput(typed);
    QTest::mouseClick(child<QPushButton>(w.get(), spec.unlock.name), Qt::LeftButton);

    QCOMPARE(m_f.dialogs->calls().first().kind, ScriptedDialogs::Call::Input);
    QCOMPARE(m_f.dialogs->calls().first().spec.text, QString("Entrer le Mot de Pass svp "));
    QCOMPARE(m_f.dialogs->calls().first().spec.title, applicationTitle());
    const bool accepted = typed == "QXV" && !cancel;
    QCOMPARE(m_f.dialogs->calls().size(), accepted ? 1 : 2);
    if (!accepted) {
        const MessageSpec box = m_f.dialogs->calls().at(1).spec;
        QCOMPARE(box.text, QString("Mot de Pass incorect"));
        QCOMPARE(box.title, applicationTitle());
        QCOMPARE(box.buttons, MsgButtons(Ok));
        QCOMPARE(box.icon, MsgIcon::None);
    }
    QCOMPARE(w->isUnlocked(), unlockedAfter);
    QCOMPARE(child<QGroupBox>(w.get(), spec.displayFrame)->isEnabled(), unlockedAfter);
    QCOMPARE(child<QGroupBox>(w.get(), spec.modificationFrame)->isVisible(), unlockedAfter);
    for (const RecordWindowSpec::Button &b : {spec.addNew, spec.save, spec.remove})
        QCOMPARE(child<QPushButton>(w.get(), b.name)->isVisible(), unlockedAfter);
}

void TestRecordWorkflow::countAndShowAll_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("pickIndex");
    QTest::addColumn<int>("pickedRows");
    QTest::addColumn<QString>("comboText");
    QTest::newRow("cp") << "cp" << 1 << 5 << "DR ZOLT";      // DR OUZERANDE
    QTest::newRow("tel") << "tel" << 4 << 2 << "AGENCES ZOLT"; // ÉLIANE PLATEAU
    QTest::newRow("adr") << "adr" << 0 << 3 << "VILLES";      // TAMBRELLE
}

void TestRecordWorkflow::countAndShowAll()
{
    QFETCH(QString, kind);
    QFETCH(int, pickIndex);
    QFETCH(int, pickedRows);
    QFETCH(QString, comboText);

    auto w = RecordFixture::show(kind);
    const RecordWindowSpec spec = specOf(kind);
    auto *combo = child<QComboBox>(w.get(), "Combo1");
    pickFromList(combo, pickIndex);
    QTest::mouseClick(child<QPushButton>(w.get(), spec.count.name), Qt::LeftButton);
    QCOMPARE(m_f.dialogs->messageTexts(), QStringList{QString::number(pickedRows)});
    const MessageSpec box = m_f.dialogs->calls().last().spec;
    QCOMPARE(box.title, applicationTitle());
    QCOMPARE(box.buttons, MsgButtons(Ok));
    QCOMPARE(box.icon, MsgIcon::None);

    m_f.dialogs->clear();
    QTest::mouseClick(child<QPushButton>(w.get(), spec.showAll.name), Qt::LeftButton);
    QCOMPARE(sourceOf(w.get())->recordSource(), spec.showAllQuery);
    QCOMPARE(gridOf(w.get())->model()->rowCount(), tableRows(kind));
    QCOMPARE(combo->currentText(), comboText); // show-all leaves the lists alone
    QTest::mouseClick(child<QPushButton>(w.get(), spec.count.name), Qt::LeftButton);
    QCOMPARE(m_f.dialogs->messageTexts(), QStringList{QString::number(tableRows(kind))});
}

void TestRecordWorkflow::countAfterEmptySearch_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("button");
    QTest::newRow("cp postal code") << "cp" << "Command22";
    QTest::newRow("tel principal office") << "tel" << "Command8";
    QTest::newRow("tel office name") << "tel" << "Command9";
    QTest::newRow("adr street") << "adr" << "Command8";
    QTest::newRow("adr postal code") << "adr" << "Command9";
}

void TestRecordWorkflow::searchNothing(RecordWindow *w, const QString &kind, const QString &button)
{
    if (kind == "cp") {
        QTest::mouseClick(child<QRadioButton>(w, "Option4"), Qt::LeftButton);
        QTest::keyClicks(child<QLineEdit>(w, "Text9"), "999");
    } else {
        m_f.dialogs->answerInput("999");
    }
    QTest::mouseClick(child<QPushButton>(w, button), Qt::LeftButton);
    QCOMPARE(gridOf(w)->model()->rowCount(), 0);
    m_f.dialogs->clear();
}

void TestRecordWorkflow::countAfterEmptySearch()
{
    QFETCH(QString, kind);
    QFETCH(QString, button);
    auto w = RecordFixture::show(kind);
    searchNothing(w.get(), kind, button);
    QTest::mouseClick(child<QPushButton>(w.get(), specOf(kind).count.name), Qt::LeftButton);
    QCOMPARE(m_f.dialogs->messageTexts(), QStringList{"0"});
}

void TestRecordWorkflow::deleteWithoutRowSaysSo_data()
{
    countAfterEmptySearch_data();
}

void TestRecordWorkflow::deleteWithoutRowSaysSo()
{
    QFETCH(QString, kind);
    QFETCH(QString, button);
    auto w = openForEditing(kind, false);
    searchNothing(w.get(), kind, button);
    m_f.dialogs->answerMessage(Yes);
    QTest::mouseClick(child<QPushButton>(w.get(), specOf(kind).remove.name), Qt::LeftButton);
    // The confirmation, then the data control's own explanation; never a
    // confirmation of a deletion that did not happen.
    QCOMPARE(m_f.dialogs->messageTexts().size(), 2);
    QVERIFY(!m_f.dialogs->messageTexts().contains("Suppression confirmée"));
    QCOMPARE(m_f.db->rows("SELECT COUNT(*) FROM " + tableOf(kind)), QStringList{QString::number(tableRows(kind))});
}

void TestRecordWorkflow::saveRoundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("showAllFirst");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("readBack");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("cp postal code") << "cp" << true << 4 << "Text2" << "61459"
        << "SELECT CPOSTALE FROM CODE WHERE AGENCE = 'BORDJ L''HIRONDELLE'" << QStringList{"61459"};
    QTest::newRow("cp telephone through the join") << "cp" << false << 0 << "Text5" << "0700 11 55"
        << "SELECT TEL FROM TELE WHERE AGENCE = 'TAMBRELLE CENTRE'" << QStringList{"0700 11 55"};
    QTest::newRow("cp one of two identical names") << "cp" << true << 7 << "Text3" << "AZURELLE RP"
        << "SELECT CPOSTALE || ' ' || PROVINCE FROM CODE WHERE AGENCE = 'TAMBRELLE GARE' ORDER BY CPOSTALE"
        << QStringList{"16012 TAMBRELLE RP", "16013 AZURELLE RP"};
    QTest::newRow("tel telephone") << "tel" << true << 2 << "Text5" << "0700 12 33"
        << "SELECT TEL FROM TELE WHERE AGENCE = 'IGNAROLLE HAUT'" << QStringList{"0700 12 33"};
    QTest::newRow("tel accented name") << "tel" << true << 0 << "Text1" << "TAMBRELLE CENTRE-VILLE"
        << "SELECT AGENCE FROM TELE WHERE TEL = '0700 11 01'" << QStringList{"TAMBRELLE CENTRE-VILLE"};
    QTest::newRow("adr street with apostrophe") << "adr" << true << 0 << "Text2" << "Rue de l'Église Neuve"
        << "SELECT QUARTIER FROM QRT WHERE CPOSTALE = '16001'" << QStringList{"Rue de l'Église Neuve"};
    QTest::newRow("adr postal code") << "adr" << true << 3 << "Text3" << "61019"
        << "SELECT CPOSTALE FROM QRT WHERE QUARTIER = 'Quartier Haut'" << QStringList{"61019"};
}

void TestRecordWorkflow::saveRoundTrip()
{
    QFETCH(QString, kind);
    QFETCH(bool, showAllFirst);
    QFETCH(int, row);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, readBack);
    QFETCH(QStringList, expected);

    auto w = openForEditing(kind, showAllFirst);
    const RecordWindowSpec spec = specOf(kind);
    clickGridRow(w.get(), row);
    typeInto(child<QLineEdit>(w.get(), field), typed);
    QTest::mouseClick(child<QPushButton>(w.get(), spec.save.name), Qt::LeftButton);

    QCOMPARE(m_f.dialogs->calls().size(), 1);
    const MessageSpec box = m_f.dialogs->calls().first().spec;
    QCOMPARE(box.text, QString("ENREGISTREMENT AVEC SUCCES"));
    QCOMPARE(box.title, QString("ENREGISTREMENT"));
    QCOMPARE(box.buttons, MsgButtons(Ok));
    QCOMPARE(box.icon, MsgIcon::None);
    QVERIFY(box.rightToLeft);
    QCOMPARE(m_f.db->rows(readBack), expected);
    QCOMPARE(m_f.db->rows("SELECT COUNT(*) FROM " + tableOf(kind)), QStringList{QString::number(tableRows(kind))});
}

void TestRecordWorkflow::newRoundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("readBack");
    QTest::addColumn<QString>("expected");

    QTest::newRow("cp") << "cp" << QStringList{"Text1", "Text2", "Text3", "Text4"}
        << QStringList{"TIFRIT HAUT", "16240", "AZURELLE RP", "DR TAMBRELLE"}
        << "SELECT * FROM CODE WHERE AGENCE = 'TIFRIT HAUT'" << "TIFRIT HAUT|16240|AZURELLE RP|DR TAMBRELLE";
    QTest::newRow("tel") << "tel" << QStringList{"Text1", "Text5", "Text3", "Text4"}
        << QStringList{"AZURELLE NORD", "0700 12 44", "AZURELLE RP", "DR OUZERANDE"}
        << "SELECT * FROM TELE WHERE AGENCE = 'AZURELLE NORD'" << "AZURELLE NORD|0700 12 44|AZURELLE RP|DR OUZERANDE|<null>|<null>";
    QTest::newRow("adr") << "adr" << QStringList{"Text1", "Text2", "Text3"}
        << QStringList{"OUZERANDE", "Chemin de l'Aire", "61013"}
        << "SELECT * FROM QRT WHERE CPOSTALE = '61013'" << "Chemin de l'Aire|61013|OUZERANDE";
}

void TestRecordWorkflow::newRoundTrip()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, values);
    QFETCH(QString, readBack);
    QFETCH(QString, expected);

    auto w = openForEditing(kind);
    const RecordWindowSpec spec = specOf(kind);
    QTest::mouseClick(child<QPushButton>(w.get(), spec.addNew.name), Qt::LeftButton);
    QVERIFY(m_f.dialogs->calls().isEmpty());
    for (const QString &f : fields)
        QCOMPARE(child<QLineEdit>(w.get(), f)->text(), QString());
    for (int i = 0; i < fields.size(); ++i)
        typeInto(child<QLineEdit>(w.get(), fields[i]), values[i]);
    QTest::mouseClick(child<QPushButton>(w.get(), spec.save.name), Qt::LeftButton);

    QCOMPARE(m_f.dialogs->messageTexts(), QStringList{"ENREGISTREMENT AVEC SUCCES"});
    QCOMPARE(m_f.db->rows(readBack), QStringList{expected});
    QCOMPARE(m_f.db->rows("SELECT COUNT(*) FROM " + tableOf(kind)), QStringList{QString::number(tableRows(kind) + 1)});
    m_f.dialogs->clear();
    QTest::mouseClick(child<QPushButton>(w.get(), spec.count.name), Qt::LeftButton);
    QCOMPARE(m_f.dialogs->messageTexts(), QStringList{QString::number(tableRows(kind) + 1)});
}

void TestRecordWorkflow::deleteRoundTrip_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("readBack"); // how many rows the chosen one had in the file

    QTest::newRow("cp yes") << "cp" << 1 << int(Yes) << "SELECT COUNT(*) FROM CODE WHERE CPOSTALE = '16012'";
    QTest::newRow("cp no") << "cp" << 1 << int(No) << "SELECT COUNT(*) FROM CODE WHERE CPOSTALE = '16012'";
    QTest::newRow("cp default answer") << "cp" << 1 << int(NoButton) << "SELECT COUNT(*) FROM CODE WHERE CPOSTALE = '16012'";
    QTest::newRow("tel yes, one of two rows of an office") << "tel" << 5 << int(Yes)
        << "SELECT COUNT(*) FROM TELE WHERE TEL = '0700 31 06'";
    QTest::newRow("tel no") << "tel" << 5 << int(No) << "SELECT COUNT(*) FROM TELE WHERE TEL = '0700 31 06'";
    QTest::newRow("adr yes") << "adr" << 0 << int(Yes) << "SELECT COUNT(*) FROM QRT WHERE CPOSTALE = '16001'";
    QTest::newRow("adr no") << "adr" << 0 << int(No) << "SELECT COUNT(*) FROM QRT WHERE CPOSTALE = '16001'";
}

void TestRecordWorkflow::deleteRoundTrip()
{
    QFETCH(QString, kind);
    QFETCH(int, row);
    QFETCH(int, answer);
    QFETCH(QString, readBack);

    auto w = openForEditing(kind);
    const RecordWindowSpec spec = specOf(kind);
    clickGridRow(w.get(), row);
    if (answer != NoButton)
        m_f.dialogs->answerMessage(MsgButton(answer));
    QTest::mouseClick(child<QPushButton>(w.get(), spec.remove.name), Qt::LeftButton);

    const MessageSpec confirm = m_f.dialogs->calls().first().spec;
    QCOMPARE(confirm.text, QString("Veuillez confirmer la suppression du fichier"));
    QCOMPARE(confirm.title, QString("Attention"));
    QCOMPARE(confirm.buttons, MsgButtons(Yes) | No);
    QCOMPARE(confirm.icon, MsgIcon::Critical);
    QCOMPARE(confirm.defaultButton, No);
    const bool removed = answer == Yes;
    if (removed) {
        QCOMPARE(m_f.dialogs->messageTexts(),
                 (QStringList{"Veuillez confirmer la suppression du fichier", "Suppression confirmée"}));
        QCOMPARE(m_f.dialogs->calls().last().spec.title, applicationTitle());
    } else {
        QCOMPARE(m_f.dialogs->calls().size(), 1);
    }
    QCOMPARE(m_f.db->rows(readBack), QStringList{removed ? "0" : "1"});
    QCOMPARE(m_f.db->rows("SELECT COUNT(*) FROM " + tableOf(kind)),
             QStringList{QString::number(tableRows(kind) - (removed ? 1 : 0))});
}

void TestRecordWorkflow::saveRefusedByConcurrentChange_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("otherUser");
    QTest::addColumn<QString>("readBack");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("cp changed") << "cp" << "Text2" << "UPDATE CODE SET CPOSTALE = '16011' WHERE CPOSTALE = '16010'"
        << "SELECT CPOSTALE FROM CODE WHERE AGENCE = 'TAMBRELLE CENTRE'" << QStringList{"16011"};
    QTest::newRow("tel deleted") << "tel" << "Text5" << "DELETE FROM TELE WHERE TEL = '0700 11 01'"
        << "SELECT COUNT(*) FROM TELE WHERE TEL = '0700 11 01' OR TEL = '0700 11 99'" << QStringList{"0"};
    QTest::newRow("adr changed") << "adr" << "Text3" << "UPDATE QRT SET CPOSTALE = '16008' WHERE CPOSTALE = '16001'"
        << "SELECT CPOSTALE FROM QRT WHERE QUARTIER = 'Rue de l''Église'" << QStringList{"16008"};
}

void TestRecordWorkflow::saveRefusedByConcurrentChange()
{
    QFETCH(QString, kind);
    QFETCH(QString, field);
    QFETCH(QString, otherUser);
    QFETCH(QString, readBack);
    QFETCH(QStringList, expected);

    auto w = openForEditing(kind);
    const RecordWindowSpec spec = specOf(kind);
    clickGridRow(w.get(), 0);
    typeInto(child<QLineEdit>(w.get(), field), "0700 11 99");
    m_f.db->exec(otherUser);
    QTest::mouseClick(child<QPushButton>(w.get(), spec.save.name), Qt::LeftButton);

    QVERIFY(!m_f.dialogs->messageTexts().contains("ENREGISTREMENT AVEC SUCCES"));
    QCOMPARE(m_f.dialogs->messageTexts().size(), 1); // the data control's own explanation
    QVERIFY(!m_f.dialogs->messageTexts().first().isEmpty());
    QCOMPARE(child<QLineEdit>(w.get(), field)->text(), QString("0700 11 99"));
    QCOMPARE(m_f.db->rows(readBack), expected);
}

void TestRecordWorkflow::lockBelongsToOneWindow()
{
    MainWindow main;
    registerWindows(main);
    main.showInitial();
    auto *cp = qobject_cast<RecordWindow *>(main.openWindow("cp"));
    auto *adr = qobject_cast<RecordWindow *>(main.openWindow("adr"));
    QVERIFY(cp && adr);
    unlockWindow(cp, "cp");
    QVERIFY(!adr->isUnlocked());
    QCOMPARE(qobject_cast<RecordWindow *>(main.openWindow("cp")), cp); // brought to the front as it was
    QVERIFY(cp->isUnlocked());
    auto *tel = qobject_cast<RecordWindow *>(main.openAlone("tel"));
    QVERIFY(tel && !tel->isUnlocked());
    auto *cpAgain = qobject_cast<RecordWindow *>(main.openWindow("cp"));
    QVERIFY(cpAgain && !cpAgain->isUnlocked());
}

void TestRecordWorkflow::mnemonicsPressTheActiveWindowsButtons()
{
    MainWindow main;
    registerWindows(main);
    main.showInitial();
    QApplication::setActiveWindow(&main);
    QVERIFY(QTest::qWaitForWindowActive(&main));
    auto *cp = qobject_cast<RecordWindow *>(main.openWindow("cp"));
    auto *adr = qobject_cast<RecordWindow *>(main.openWindow("adr"));
    QCOMPARE(QApplication::focusWidget()->window(), &main);
    QVERIFY(adr->isAncestorOf(QApplication::focusWidget()));

    // A mnemonic presses its button the way a click does, released a moment
    // later; wait for the release.
    m_f.dialogs->answerInput(kEditPassword);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_M, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(m_f.dialogs->calls().size(), 1, kPatience);
    QVERIFY(adr->isUnlocked());
    QVERIFY(!cp->isUnlocked());

    typeInto(child<QLineEdit>(adr, "Text2"), "Rue Haute");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(child<QLineEdit>(adr, "Text2")->text(), QString(), kPatience); // a blank new row

    m_f.dialogs->clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(m_f.dialogs->messageTexts().value(0), QString("Veuillez confirmer la suppression du fichier"),
                              kPatience);

    QPointer<RecordWindow> watch(adr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(watch.isNull(), kPatience);
    QVERIFY(!main.child("adr"));
    QCOMPARE(main.child("cp"), cp);
}

void TestRecordWorkflow::closeDestroysAndReopensLocked()
{
    MainWindow main;
    registerWindows(main);
    main.showInitial();
    auto *cp = qobject_cast<RecordWindow *>(main.openWindow("cp"));
    QPointer<RecordWindow> watch(cp);
    unlockWindow(cp, "cp");
    QTest::mouseClick(child<QPushButton>(cp, "cmdfermer"), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(watch.isNull());
    QVERIFY(!main.child("cp"));
    QVERIFY(main.isVisible()); // the main window stays
    auto *again = qobject_cast<RecordWindow *>(main.openWindow("cp"));
    QVERIFY(again && !again->isUnlocked());
}

QTEST_MAIN(TestRecordWorkflow)
#include "tst_recordworkflow.moc"
