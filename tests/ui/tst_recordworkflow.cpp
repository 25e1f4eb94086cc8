// The editing workflow the three record windows share, and their data
// control: unlock, new, save, delete, count, show all, the bar and the grid,
// each read back from the file. The whole workflow runs on the postal-code
// window (its join reaches two tables); the others where they differ.
#include "app/mainwindow.h"
#include "app/shell.h"
#include "data/sqlite/opendb.h"
#include "records/querytext.h"
#include "support/openwindows.h"
#include "support/recordui.h"
#include "support/slowdisk.h"

#include <QAction>
#include <QClipboard>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace tavro;
using namespace tavro::test;

namespace {

// Rows of each table in the generated file.
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
    void emptyResult_data();
    void emptyResult();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void newRoundTrip_data();
    void newRoundTrip();
    void deleteRoundTrip_data();
    void deleteRoundTrip();
    void enteredTexts_data();
    void enteredTexts();
    void typingMeetsAColleaguesChange_data();
    void typingMeetsAColleaguesChange();
    void barGridAndFieldsFollow_data();
    void barGridAndFieldsFollow();
    void failuresComeInTheControlsBox_data();
    void failuresComeInTheControlsBox();
    void lockBelongsToOneWindowAndMnemonicsToTheActiveOne();
    void fileReplacedUnderTheWindow_data();
    void fileReplacedUnderTheWindow();

private:
    void unlockWindow(RecordWindow *w, const QString &kind);
    std::unique_ptr<RecordWindow> openForEditing(const QString &kind, bool wholeTable = true);
    void click(QWidget *w, const QString &name) { QTest::mouseClick(child<QAbstractButton>(w, name), Qt::LeftButton); }

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
    click(w, specOf(kind).unlock.name);
    QVERIFY(w->isUnlocked());
    m_f.dialogs->clear();
}

// A window on the whole table (or on its opening query), unlocked.
std::unique_ptr<RecordWindow> TestRecordWorkflow::openForEditing(const QString &kind, bool wholeTable)
{
    auto w = RecordFixture::show(kind);
    if (wholeTable)
        click(w.get(), specOf(kind).showAll.name);
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
    QTest::newRow("cp: right password") << "cp" << false << false << "QXV" << true;
    QTest::newRow("cp: lower case") << "cp" << false << false << "qxv" << false;
    QTest::newRow("cp: blank after") << "cp" << false << false << "QXV " << false;
    QTest::newRow("cp: empty") << "cp" << false << false << "" << false;
    QTest::newRow("cp: cancel") << "cp" << false << true << "" << false;
    QTest::newRow("cp: right password again") << "cp" << true << false << "QXV" << true;
    QTest::newRow("cp: wrong password when unlocked") << "cp" << true << false << "QX" << true;
    QTest::newRow("tel: right password") << "tel" << false << false << "QXV" << true;
    QTest::newRow("adr: wrong password") << "adr" << false << false << "XQV" << false;
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
    click(w.get(), spec.unlock.name);

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
    for (const RecordWindowSpec::Button &b : {spec.addNew, spec.save, spec.remove})
        QCOMPARE(child<QPushButton>(w.get(), b.name)->isVisible(), unlockedAfter);
}

void TestRecordWorkflow::countAndShowAll_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("pickIndex");
    QTest::addColumn<int>("pickedRows");
    QTest::addColumn<QString>("comboText");
    QTest::newRow("cp") << "cp" << 1 << 5 << "DR ZOLT";        // DR OUZERANDE
    QTest::newRow("tel") << "tel" << 4 << 2 << "AGENCES ZOLT"; // ÉLIANE PLATEAU
    QTest::newRow("adr") << "adr" << 0 << 3 << "VILLES";       // TAMBRELLE
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
    click(w.get(), spec.count.name);
    QCOMPARE(m_f.dialogs->messageTexts(), QStringList{QString::number(pickedRows)});
    const MessageSpec box = m_f.dialogs->calls().last().spec;
    QCOMPARE(box.title, applicationTitle());
    QCOMPARE(box.buttons, MsgButtons(Ok));
    QCOMPARE(box.icon, MsgIcon::None);

    m_f.dialogs->clear();
    click(w.get(), spec.showAll.name);
    QCOMPARE(sourceOf(w.get())->recordSource(), spec.showAllQuery);
    QCOMPARE(gridOf(w.get())->model()->rowCount(), tableRows(kind));
    QCOMPARE(combo->currentText(), comboText); // show-all leaves the lists alone
    click(w.get(), spec.count.name);
    QCOMPARE(m_f.dialogs->messageTexts(), QStringList{QString::number(tableRows(kind))});
}

// clang-format off
void TestRecordWorkflow::emptyResult_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("button");
    QTest::newRow("cp postal code") << "cp" << "Command22";
    QTest::newRow("tel office name") << "tel" << "Command9";
    QTest::newRow("adr postal code") << "adr" << "Command9";
}
// clang-format on

void TestRecordWorkflow::emptyResult()
{
    QFETCH(QString, kind);
    QFETCH(QString, button);
    auto w = openForEditing(kind, false);
    if (kind == "cp") {
        click(w.get(), "Option4");
        QTest::keyClicks(child<QLineEdit>(w.get(), "Text9"), "999");
    } else {
        m_f.dialogs->answerInput("999");
    }
    click(w.get(), button);
    QCOMPARE(gridOf(w.get())->model()->rowCount(), 0);
    m_f.dialogs->clear();
    click(w.get(), specOf(kind).count.name);
    QCOMPARE(m_f.dialogs->messageTexts(), QStringList{"0"});

    // A delete with no row: the confirmation, then the data control's own
    // explanation; never a confirmation of a deletion that did not happen.
    m_f.dialogs->clear();
    m_f.dialogs->answerMessage(Yes);
    click(w.get(), specOf(kind).remove.name);
    QCOMPARE(m_f.dialogs->messageTexts().size(), 2);
    QVERIFY(!m_f.dialogs->messageTexts().contains("Suppression confirmée"));
    QCOMPARE(m_f.db->rows("SELECT COUNT(*) FROM " + tableOf(kind)), QStringList{QString::number(tableRows(kind))});
}

// clang-format off
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
    QTest::newRow("tel accented name") << "tel" << true << 0 << "Text1" << "TAMBRELLE CENTRE-VILLE"
        << "SELECT AGENCE FROM TELE WHERE TEL = '0700 11 01'" << QStringList{"TAMBRELLE CENTRE-VILLE"};
    QTest::newRow("adr street with apostrophe") << "adr" << true << 0 << "Text2" << "Rue de l'Église Neuve"
        << "SELECT QUARTIER FROM QRT WHERE CPOSTALE = '16001'" << QStringList{"Rue de l'Église Neuve"};
}
// clang-format on

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
    clickGridRow(w.get(), row);
    typeInto(child<QWidget>(w.get(), field), typed);
    click(w.get(), specOf(kind).save.name);

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

// clang-format off
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
// clang-format on

void TestRecordWorkflow::newRoundTrip()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, values);
    QFETCH(QString, readBack);
    QFETCH(QString, expected);

    auto w = openForEditing(kind);
    const RecordWindowSpec spec = specOf(kind);
    click(w.get(), spec.addNew.name);
    QVERIFY(m_f.dialogs->calls().isEmpty());
    QCOMPARE(gridOf(w.get())->currentIndex().row(), tableRows(kind));
    for (const QString &f : fields)
        QCOMPARE(fieldText(w.get(), f), QString());
    for (int i = 0; i < fields.size(); ++i)
        typeInto(child<QWidget>(w.get(), fields[i]), values[i]);
    click(w.get(), spec.save.name);

    QCOMPARE(m_f.dialogs->messageTexts(), QStringList{"ENREGISTREMENT AVEC SUCCES"});
    QCOMPARE(m_f.db->rows(readBack), QStringList{expected});
    QCOMPARE(m_f.db->rows("SELECT COUNT(*) FROM " + tableOf(kind)), QStringList{QString::number(tableRows(kind) + 1)});
    QCOMPARE(gridOf(w.get())->model()->index(tableRows(kind), 0).data().toString(), expected.section('|', 0, 0));
    m_f.dialogs->clear();
    click(w.get(), spec.count.name);
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
    QTest::newRow("tel yes, one of two rows of an office")
        << "tel" << 5 << int(Yes) << "SELECT COUNT(*) FROM TELE WHERE TEL = '0700 31 06'";
    QTest::newRow("adr yes") << "adr" << 0 << int(Yes) << "SELECT COUNT(*) FROM QRT WHERE CPOSTALE = '16001'";
}

void TestRecordWorkflow::deleteRoundTrip()
{
    QFETCH(QString, kind);
    QFETCH(int, row);
    QFETCH(int, answer);
    QFETCH(QString, readBack);

    auto w = openForEditing(kind);
    clickGridRow(w.get(), row);
    const QString next = gridColumn(w.get(), gridCaptions(w.get()).first()).at(row + 1);
    if (answer != NoButton)
        m_f.dialogs->answerMessage(MsgButton(answer));
    click(w.get(), specOf(kind).remove.name);

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
        // The row that takes its place is shown, in the grid and the fields.
        QCOMPARE(gridOf(w.get())->currentIndex().row(), row);
        QCOMPARE(gridColumn(w.get(), gridCaptions(w.get()).first()).at(row), next);
    } else {
        QCOMPARE(m_f.dialogs->calls().size(), 1);
    }
    QCOMPARE(m_f.db->rows(readBack), QStringList{removed ? "0" : "1"});
    QCOMPARE(m_f.db->rows("SELECT COUNT(*) FROM " + tableOf(kind)),
             QStringList{QString::number(tableRows(kind) - (removed ? 1 : 0))});
}

// Longer than the toolkit's default limit for a one-line field (32,767).
static QString longText()
{
    return QString(40000, QLatin1Char('r'));
}

// Every kind of character the fields refuse, between letters: NUL, a C0
// and a C1 control (the latter a line break), a tab, a line feed, a line
// and a paragraph separator.
static const QString kRefused = QString::fromUtf8("A\0B\x01"
                                                  "C\xC2\x85"
                                                  "D\tE\nF\xE2\x80\xA8G\xE2\x80\xA9H",
                                                  20);

// Enters text at the end of a field by one route, as a clerk or a tool
// does; an empty text removes the last character.
static void enter(QWidget *field, const QString &route, const QString &text)
{
    field->setFocus();
    auto *line = qobject_cast<QLineEdit *>(field);
    auto *box = qobject_cast<QPlainTextEdit *>(field);
    if (line)
        line->end(false);
    else if (route == "seam") // the start of a long value's second piece
        box->setTextCursor(QTextCursor(box->document()->findBlockByNumber(1)));
    else
        QTest::keyClick(field, Qt::Key_End, Qt::ControlModifier);
    if (text.isEmpty()) {
        QTest::keyClick(field, Qt::Key_Backspace);
    } else if (route == "paste") {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    } else if (route == "drop") {
        // Dragged from another program and dropped just after the text.
        QWidget *target = box ? box->viewport() : field;
        const QPoint at = (box ? box->cursorRect() : field->inputMethodQuery(Qt::ImCursorRectangle).toRect()).center();
        QMimeData data;
        data.setText(text);
        QDragEnterEvent enterEvent(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enterEvent);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    } else if (route == "input method") {
        // Composed, then committed, as a keyboard's input method or a
        // dictation tool sends a text.
        QInputMethodEvent compose(QStringLiteral("AB"), {});
        QApplication::sendEvent(field, &compose);
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(field, &commit);
    } else if (route == "shift enter") {
        QTest::keyClick(field, Qt::Key_Return, Qt::ShiftModifier);
    } else { // the text of one key
        QTest::sendKeyEvent(QTest::Press, field, Qt::Key_unknown, text, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, field, Qt::Key_unknown, text, Qt::NoModifier);
    }
}

// clang-format off
void TestRecordWorkflow::enteredTexts_data()
{
    // The first street of the addresses window, its name in its wrapping
    // name box (Text2) or its code in a one-line field (Text3), the name
    // first made 40,000 characters long when asked ("#" in what is stored).
    QTest::addColumn<QString>("longColumn"); // empty: none
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("route");
    QTest::addColumn<QString>("text"); // empty: one character removed at the end
    QTest::addColumn<QString>("name"); // stored afterwards
    QTest::addColumn<QString>("code");
    QTest::newRow("long name kept when the code changes") << "QUARTIER" << "Text3" << "paste" << "99" << "#" << "1600199";
    QTest::newRow("long name shortened by one") << "QUARTIER" << "Text2" << "paste" << "" << "#-1" << "16001";
    QTest::newRow("long text in a one-line field shortened by one") << "CPOSTALE" << "Text3" << "paste" << "" << "Rue de l'Église"
                                                                    << longText().chopped(1);
    QTest::newRow("long name shortened by one where the box cut it") << "QUARTIER" << "Text2" << "seam" << "" << "#-1" << "16001";
    QTest::newRow("long name, more pasted at its end") << "QUARTIER" << "Text2" << "paste" << "ZZ" << "#ZZ" << "16001";
    // By every route the refused characters stay out; in the name box a
    // line break between words becomes a blank.
    for (const char *route : {"paste", "drop", "input method", "key"}) {
        QTest::addRow("name box, %s", route) << "" << "Text2" << route << kRefused << "Rue de l'ÉgliseABC DE F G H" << "16001";
        QTest::addRow("line field, %s", route) << "" << "Text3" << route << kRefused << "Rue de l'Église" << "16001ABCDEFGH";
    }
    QTest::newRow("name box, Shift+Enter") << "" << "Text2" << "shift enter" << "-" << "Rue de l'Église" << "16001";
}
// clang-format on

void TestRecordWorkflow::enteredTexts()
{
    QFETCH(QString, longColumn);
    QFETCH(QString, field);
    QFETCH(QString, route);
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, code);
    if (!longColumn.isEmpty())
        m_f.db->exec(QStringLiteral("UPDATE QRT SET %1 = '%2' WHERE CPOSTALE = '16001'").arg(longColumn, longText()));
    auto w = openForEditing("adr");
    for (int row = 0; row < sourceOf(w.get())->rowCount(); ++row) { // first in a file, last on a server
        const QString code = sourceOf(w.get())->text(row, "CPOSTALE");
        if (code.startsWith("16001") || code.size() > 1000)
            clickGridRow(w.get(), row);
    }
    enter(child<QWidget>(w.get(), field), route, text);
    click(w.get(), "Command5");
    QCOMPARE(m_f.dialogs->messageTexts(), QStringList{"ENREGISTREMENT AVEC SUCCES"});
    const QStringList stored =
        m_f.db->rows(QStringLiteral("SELECT QUARTIER, CPOSTALE FROM QRT WHERE CPOSTALE LIKE '16001%' OR length(CPOSTALE) > 1000"))
            .value(0)
            .split('|');
    if (name.startsWith('#')) // the long text, less one character or with more at its end
        name = name == "#-1" ? longText().chopped(1) : longText() + name.mid(1);
    QCOMPARE(stored.value(0).size(), name.size());
    QCOMPARE(stored.value(0), name);
    QCOMPARE(stored.value(1), code);
}

void TestRecordWorkflow::typingMeetsAColleaguesChange_data()
{
    // Typing into the first row of the whole table, then another action; the
    // closing ones answer the box of a refused write (Cancel stays).
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("colleague"); // changed the row meanwhile
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("rowAfter"); // -1: the window closed
    QTest::addColumn<QString>("fieldAfter");
    QTest::newRow("save") << "save" << false << 0 << "16099" << 0 << "16099";
    QTest::newRow("save, changed meanwhile") << "save" << true << 0 << "16011" << 0 << "16099";
    QTest::newRow("save on a slow disk or server") << "slow" << false << 0 << "16099" << 0 << "16099";
    QTest::newRow("move in the grid") << "grid" << false << 0 << "16099" << 3 << "61100";
    QTest::newRow("move in the grid, changed meanwhile") << "grid" << true << 0 << "16011" << 0 << "16099";
    QTest::newRow("move with the bar, changed meanwhile") << "bar" << true << 0 << "16011" << 0 << "16099";
    QTest::newRow("search") << "search" << false << 0 << "16099" << 0 << "61100";
    QTest::newRow("search, changed meanwhile, clerk keeps the typing")
        << "search" << true << int(Cancel) << "16011" << 0 << "16099";
    QTest::newRow("search, changed meanwhile, typing given up") << "search" << true << int(Discard) << "16011" << 0 << "61100";
    QTest::newRow("search while another copy writes, retried once it is done")
        << "busy" << false << int(Retry) << "16099" << 0 << "61100";
    QTest::newRow("close button") << "cmdfermer" << false << 0 << "16099" << -1 << "";
    QTest::newRow("frame's close box") << "frame" << false << 0 << "16099" << -1 << "";
    QTest::newRow("TELEPHONE, closing every window") << "TELE" << false << 0 << "16099" << -1 << "";
    QTest::newRow("QUITTER") << "QUIT" << false << 0 << "16099" << -1 << "";
    QTest::newRow("main window closed") << "main" << false << 0 << "16099" << -1 << "";
    QTest::newRow("close button, changed meanwhile, clerk stays")
        << "cmdfermer" << true << int(Cancel) << "16011" << 0 << "16099";
    QTest::newRow("QUITTER, changed meanwhile, clerk stays") << "QUIT" << true << int(Cancel) << "16011" << 0 << "16099";
    QTest::newRow("A PROPOS, changed meanwhile, retried, then stays") << "APRO" << true << int(Retry) << "16011" << 0 << "16099";
    QTest::newRow("close box, changed meanwhile, closed without saving")
        << "frame" << true << int(Discard) << "16011" << -1 << "";
}

void TestRecordWorkflow::typingMeetsAColleaguesChange()
{
    QFETCH(QString, action);
    QFETCH(bool, colleague);
    QFETCH(int, answer);
    QFETCH(QString, stored);
    QFETCH(int, rowAfter);
    QFETCH(QString, fieldAfter);

    // A disk whose every flush waits 5 s (a server each row written): the
    // save takes seconds.
    std::unique_ptr<SlowDisk> slowDisk;
    if (action == "slow" && TestDatabase::onServer())
        m_f.db->exec("CREATE FUNCTION slow() RETURNS trigger AS $$ BEGIN PERFORM pg_sleep(5); RETURN NEW; END $$ "
                     "LANGUAGE plpgsql; CREATE TRIGGER slow BEFORE UPDATE ON CODE FOR EACH ROW EXECUTE FUNCTION slow()");
    else if (action == "slow")
        slowDisk = std::make_unique<SlowDisk>(5000);
    MainWindow main;
    registerWindows(main);
    main.resize(1366, 768);
    main.showInitial();
    QSignalSpy quit(&main, &MainWindow::quitRequested);
    QPointer<RecordWindow> w = qobject_cast<RecordWindow *>(main.openWindow("cp"));
    click(w, specOf("cp").showAll.name);
    unlockWindow(w, "cp");
    auto *field = child<QLineEdit>(w, "Text2");
    typeInto(field, "16099");
    if (colleague)
        m_f.db->exec("UPDATE CODE SET CPOSTALE = '16011' WHERE AGENCE = 'TAMBRELLE CENTRE'");
    if (answer != 0)
        m_f.dialogs->answerMessage(MsgButton(answer));
    if (answer == Retry && colleague)
        m_f.dialogs->answerMessage(Cancel);
    // Another copy of the program writing meanwhile, done while the clerk reads the box.
    std::shared_ptr<void> lock;
    if (action == "busy") {
        lock = m_f.db->holdForWriting("CODE", true);
        m_f.dialogs->whileNextAsked([&] { lock.reset(); });
        action = "search";
    }
    // While it writes: the busy cursor at once, no click taken, and after a
    // few seconds a word in the window.
    QStringList whileWriting;
    if (action == "slow") {
        auto *notice = child<QLabel>(w, "writingNotice");
        const auto look = [&] {
            const QCursor *cursor = QApplication::overrideCursor();
            click(w, "Next");
            whileWriting << QStringLiteral("%1 %2 %3")
                                .arg(cursor && cursor->shape() == Qt::WaitCursor ? "busy" : "idle")
                                .arg(sourceOf(w)->currentRow())
                                .arg(notice->isVisible() ? notice->text().section(':', 0, 0) : "-");
        };
        QTimer::singleShot(500, this, look);
        QTimer::singleShot(3600, this, look);
        action = "save";
    }
    if (action == "save") {
        click(w, "Command6");
    } else if (action == "grid") {
        clickGridRow(w, 3);
    } else if (action == "bar") {
        click(w, "Next");
    } else if (action == "search") {
        click(w, "Option4");
        QTest::keyClicks(child<QLineEdit>(w, "Text9"), "611");
        click(w, "Command22");
    } else if (action == "cmdfermer") {
        click(w, "cmdfermer");
    } else if (action == "frame") {
        QVERIFY(qobject_cast<QMdiSubWindow *>(w->parentWidget())->close() == (rowAfter < 0));
    } else if (action == "main") {
        QVERIFY(main.close());
    } else {
        child<QAction>(&main, action)->trigger();
    }
    flushDeletes();

    QCOMPARE(m_f.db->rows("SELECT CPOSTALE FROM CODE WHERE AGENCE = 'TAMBRELLE CENTRE'"), QStringList{stored});
    QCOMPARE(w.isNull(), rowAfter < 0);
    QCOMPARE(quit.count(), action == "QUIT" && rowAfter < 0 ? 1 : 0);
    if (w) {
        QCOMPARE(sourceOf(w)->currentRow(), rowAfter);
        QCOMPARE(gridOf(w)->currentIndex().row(), rowAfter);
        QCOMPARE(field->text(), fieldAfter);
        QCOMPARE(main.child("cp"), w.data());
    }
    if (!whileWriting.isEmpty()) {
        QCOMPARE(whileWriting, (QStringList{"busy 0 -", "busy 0 Enregistrement en cours "}));
        QVERIFY(!QApplication::overrideCursor() && !child<QLabel>(w, "writingNotice")->isVisible());
    }
    const QStringList told = m_f.dialogs->messageTexts();
    if (answer == Retry && !colleague) {
        QCOMPARE(told.size(), 1);
        QVERIFY2(told.first().contains("autre poste"), qPrintable(told.first()));
    } else if (colleague) {
        // Each box says what happened, never that it was saved; a retry asks again.
        QCOMPARE(told.size(), answer == Retry ? 2 : 1);
        QVERIFY2(told.first().contains("autre utilisateur"), qPrintable(told.first()));
        if (answer != 0)
            QCOMPARE(m_f.dialogs->calls().last().spec.buttons, MsgButtons(Retry) | Discard | Cancel);
    } else {
        QCOMPARE(told, action == "save" ? QStringList{"ENREGISTREMENT AVEC SUCCES"} : QStringList());
    }
}

void TestRecordWorkflow::barGridAndFieldsFollow_data()
{
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<int>("row");
    QTest::newRow("start on the first row") << QStringList{} << 0;
    QTest::newRow("next twice") << QStringList{"Next", "Next"} << 2;
    QTest::newRow("past the end stays last") << QStringList{"Last", "Next", "Next"} << 9;
    QTest::newRow("before the start stays first") << QStringList{"Previous"} << 0;
    QTest::newRow("last then previous") << QStringList{"Last", "Previous"} << 8;
    QTest::newRow("back to first") << QStringList{"Next", "Next", "First"} << 0;
}

void TestRecordWorkflow::barGridAndFieldsFollow()
{
    QFETCH(QStringList, presses);
    QFETCH(int, row);
    auto w = RecordFixture::show("cp");
    click(w.get(), specOf("cp").showAll.name);
    for (const QString &name : presses)
        click(w.get(), name);
    const QStringList expected = m_f.db->rows("SELECT * FROM CODE").at(row).split('|'); // in table order, as shown
    QCOMPARE(sourceOf(w.get())->currentRow(), row);
    QCOMPARE(gridOf(w.get())->currentIndex().row(), row);
    QCOMPARE(gridOf(w.get())->selectionModel()->selectedRows().size(), 1);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(fieldText(w.get(), QStringLiteral("Text%1").arg(i + 1)), expected[i] == "<null>" ? QString() : expected[i]);
    QCOMPARE(child<QLineEdit>(w.get(), "Text5")->text(), QString()); // no TEL in this result
    // The bar's own caption is empty.
    QCOMPARE(child<QLabel>(child<DataControl>(w.get(), "Adodc1"), "Caption")->text(), QString());
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

// clang-format off
void TestRecordWorkflow::failuresComeInTheControlsBox_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("says");
    QTest::newRow("missing file") << "missing" << (TestDatabase::onServer() ? "n'existe pas" : "introuvable");
    QTest::newRow("bad query") << "query" << "recherche";
    QTest::newRow("a file without a column the window needs") << "column gone" << "tables CODE, TELE et QRT";
    QTest::newRow("delete of a summary row") << "delete" << "ne peuvent pas être modifiées";
    QTest::newRow("save with nothing shown") << "empty" << "Aucun enregistrement";
    QTest::newRow("typing where the result has no column") << "column" << "TEL";
    QTest::newRow("count in a window whose file never opened") << "count" << "n'est pas ouvert";
}
// clang-format on

void TestRecordWorkflow::failuresComeInTheControlsBox()
{
    QFETCH(QString, what);
    QFETCH(QString, says);
    auto w = openForEditing("cp", what != "column");
    DataControl *control = child<DataControl>(w.get(), "Adodc1");
    const QStringList before = m_f.db->rows("SELECT * FROM TELE");
    Status status;
    std::unique_ptr<RecordWindow> unopened;
    if (what == "count") {
        m_f.db->setMissing(true);
        unopened = makeRecordWindow("cp");
        m_f.dialogs->clear();               // the load's own report
        click(unopened.get(), "Command10"); // its one box, checked below
        status = Status::failure(Fault::Unavailable, m_f.dialogs->messageTexts().value(0));
    } else if (what == "missing") {
        m_f.db->setMissing(true);
        control->source()->setDatabase(m_f.db->path()); // opened afresh
        control->setRecordSource(specOf("cp").showAllQuery);
        status = control->refresh();
    } else if (what == "query") {
        control->setRecordSource("SELECT * FROM CODE WHERE AGENCE = 'L'OASIS'");
        status = control->refresh();
    } else if (what == "column gone") {
        m_f.db->exec("ALTER TABLE TELE RENAME COLUMN TEL TO NUMERO");
        control->setRecordSource(specOf("cp").initialQuery);
        status = control->refresh();
        m_f.db->exec("ALTER TABLE TELE RENAME COLUMN NUMERO TO TEL");
    } else if (what == "delete") {
        control->setRecordSource("SELECT DISTINCT REGION FROM CODE ");
        QVERIFY(control->refresh().ok());
        status = control->deleteCurrent();
    } else if (what == "empty") {
        control->setRecordSource("SELECT * FROM CODE WHERE AGENCE = 'personne'");
        QVERIFY(control->refresh().ok());
        status = control->update();
    } else {
        // The opening join; then a postal-code search, whose rows have no TEL.
        click(w.get(), "Option4");
        QTest::keyClicks(child<QLineEdit>(w.get(), "Text9"), "16010");
        click(w.get(), "Command22");
        typeInto(child<QLineEdit>(w.get(), "Text5"), "0700 11 66");
        status = control->update();
    }
    QVERIFY(!status.ok());
    QCOMPARE(m_f.dialogs->calls().size(), 1);
    const MessageSpec &box = m_f.dialogs->calls().at(0).spec;
    QCOMPARE(box.text, status.message());
    QVERIFY2(box.text.contains(says), qPrintable(box.text));
    QCOMPARE(box.icon, MsgIcon::Critical);
    QCOMPARE(box.buttons, MsgButtons(Ok));
    QCOMPARE(box.title, applicationTitle());
    // The engine's own words and query texts go to an administrator, not here.
    for (const char *technical : {"SELECT", "no such", "SQLITE", "sqlite"})
        QVERIFY2(!box.text.contains(QLatin1String(technical)), qPrintable(box.text));
    if (what == "missing" || what == "count") {
        QVERIFY(box.text.contains(m_f.db->name()));
        QVERIFY(!QFile::exists(m_f.db->path())); // never created
        m_f.db->setMissing(false);
    }
    QCOMPARE(m_f.db->rows("SELECT * FROM TELE"), before);
}

void TestRecordWorkflow::lockBelongsToOneWindowAndMnemonicsToTheActiveOne()
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
    QCOMPARE(qobject_cast<RecordWindow *>(main.openWindow("cp")), cp); // brought to the front as it was
    QVERIFY(!cp->isUnlocked());
    main.openWindow("adr");

    typeInto(child<QWidget>(adr, "Text2"), "Rue Haute");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(fieldText(adr, "Text2"), QString(), kPatience); // a blank new row

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

void TestRecordWorkflow::fileReplacedUnderTheWindow_data()
{
    // The whole telephone table shown, the file replaced by one of a single
    // office, then the clerk saves or shows everything; the box of a
    // refused write on the way to new rows is answered.
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("rowsAfter"); // 1: the new file's
    QTest::newRow("show all, nothing typed") << false << QStringList{"show all"} << 0 << 1 << 1;
    QTest::newRow("save") << true << QStringList{"save"} << 0 << 1 << 8;
    QTest::newRow("save, then show all keeping the typing") << true << QStringList{"save", "show all"} << int(Cancel) << 2 << 8;
    QTest::newRow("save, then show all giving the typing up")
        << true << QStringList{"save", "show all"} << int(Discard) << 2 << 1;
}

void TestRecordWorkflow::fileReplacedUnderTheWindow()
{
    if (TestDatabase::onServer())
        QSKIP("a server's database is not a file another can be put in the place of");
    QFETCH(bool, typed);
    QFETCH(QStringList, actions);
    QFETCH(int, answer);
    QFETCH(int, boxes);
    QFETCH(int, rowsAfter);
    auto w = openForEditing("tel");
    QCOMPARE(sourceOf(w.get())->rowCount(), 8);
    if (typed)
        typeInto(child<QLineEdit>(w.get(), "Text5"), "0700 11 66");
    TestDatabase other;
    other.create();
    other.insert("TELE", {"ZOLT TIGZIRT PLAGE", "0500-333333", "TIGZIRT", "DR EST", QVariant(), QVariant()});
    m_f.db->replaceWith(other);
    for (const QString &action : actions) {
        if (answer != 0 && action == actions.last()) // the box of the write that comes first
            m_f.dialogs->answerMessage(MsgButton(answer));
        click(w.get(), action == "save" ? specOf("tel").save.name : specOf("tel").showAll.name);
    }

    const QStringList told = m_f.dialogs->messageTexts();
    QCOMPARE(told.size(), boxes);
    QVERIFY2(told.first().contains("a été remplacé"), qPrintable(told.first()));
    QVERIFY(!told.join('\n').contains("lecture seule"));
    QCOMPARE(sourceOf(w.get())->rowCount(), rowsAfter);
    QCOMPARE(fieldText(w.get(), "Text5"), rowsAfter == 1 ? "0500-333333" : typed ? "0700 11 66" : "0700 11 01");
    QCOMPARE(m_f.db->rows("SELECT AGENCE, TEL FROM TELE"), QStringList{"ZOLT TIGZIRT PLAGE|0500-333333"});
}

QTEST_MAIN(TestRecordWorkflow)
#include "tst_recordworkflow.moc"
