// The three record windows as a clerk sees and drives them, by objectName on
// the offscreen platform, against a small invented file and scripted boxes:
// their controls, their layout at counter screen sizes, their pick lists,
// picks and searches.
#include "app/mainwindow.h"
#include "app/shell.h"
#include "binding/namefield.h"
#include "data/rows/module1.h"
#include "data/sqlite/opendb.h"
#include "records/querytext.h"
#include "support/recordui.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>
#include <QtTest>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Transaction.h>

using namespace tavro;
using namespace tavro::test;

namespace {

// The grid column each window's rows are recognised by.
QString keyColumn(const QString &kind)
{
    return kind == "cp" ? "AGENCES ZOLT/KIRB" : kind == "tel" ? "TEL" : "ADRESSE";
}

const QStringList kAllAgences{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "IGNAROLLE HAUT", "AZURELLE NORD", "BORDJ L'HIRONDELLE",
                              "ÉLIANE PLATEAU",   "KIRB OUZERANDE", "TAMBRELLE GARE", "AGRAVELLE",     "HAMEAU DES SOURCES"};
// Offices with a telephone row, once per row: the postal-code window's opening list.
const QStringList kJoinedAgences{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "IGNAROLLE HAUT", "BORDJ L'HIRONDELLE",
                                 "ÉLIANE PLATEAU",   "ÉLIANE PLATEAU", "KIRB OUZERANDE", "TAMBRELLE GARE"};
const QStringList kAllTels{"0700 11 01", "0700 11 02", "0700 12 03", "0700 31 04",
                           "0700 31 05", "0700 31 06", "0700 31 07", "0700 99 99"};
const QStringList kAllStreets{
    "Boulevard des Tisserands", "Cité des Oliviers", "Impasse des Rosiers", "Place Neuve", "Quartier Haut", "Rue Basse",
    "Rue de l'Église",          "école du Bas"};
const QString kNameWithTel = " SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE "
                             "WHERE CODE.AGENCE = TELE.AGENCE AND CODE.agence like '%1%' order by CODE.PROVINCE";

} // namespace

class TestRecordWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void grid_data();
    void grid();
    void fits_data();
    void fits();
    void longNameDrawsOnlyWhatShows_data();
    void longNameDrawsOnlyWhatShows();

    void loading_data();
    void loading();
    void listThatCannotBeReadStaysEmpty_data();
    void listThatCannotBeReadStaysEmpty();
    void busyFileAtStart_data();
    void busyFileAtStart();
    void pick_data();
    void pick();
    void typingIntoAListChoosesNothing_data();
    void typingIntoAListChoosesNothing();
    void closedListIgnoresArrowsAndWheel();
    void search_data();
    void search();
    void postalCodeSearchOptions();

private:
    RecordFixture m_f;
};

void TestRecordWindows::init()
{
    m_f.setUp();
}

void TestRecordWindows::cleanup()
{
    m_f.tearDown();
}

void TestRecordWindows::controls_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("enabled");

    QString window;
    auto row = [&window](const char *name, const char *kind, const char *container, const QString &text, const QString &tip = {},
                         bool shown = true, bool enabled = true) {
        QTest::addRow("%s %s", qPrintable(window), name)
            << window << QString(name) << QString(kind) << QString(container) << text << tip << shown << enabled;
    };
    // The bound fields show the first row of the opening query.
    window = "cp";
    row("Picture1", "QLabel", "cp", "");
    row("Label7", "tavro::ClockBanner", "cp", "");
    row("Label6", "QLabel", "cp", "CODE POSTALE ZOLT / KIRB");
    row("Picture2", "QLabel", "cp", "");
    row("Frame4", "QGroupBox", "cp", "AFFICHAGE", {}, true, false);
    row("Label1", "QLabel", "Frame4", "AGENCE:", {}, true, false);
    row("Text1", "tavro::NameField", "Frame4", "TAMBRELLE CENTRE", {}, true, false);
    row("Label2", "QLabel", "Frame4", "CODE POSTALE:", {}, true, false);
    row("Text2", "QLineEdit", "Frame4", "16010", {}, true, false);
    row("Label3", "QLabel", "Frame4", "ZOLT PAL:", {}, true, false);
    row("Text3", "QLineEdit", "Frame4", "TAMBRELLE RP", {}, true, false);
    row("Label4", "QLabel", "Frame4", "DR ZOLT:", {}, true, false);
    row("Text4", "QLineEdit", "Frame4", "DR TAMBRELLE", {}, true, false);
    row("Label5", "QLabel", "Frame4", "TEL:", {}, true, false);
    row("Text5", "QLineEdit", "Frame4", "0700 11 01", {}, true, false);
    row("DataGrid1", "tavro::DataGrid", "cp", "");
    row("Adodc1", "tavro::DataControl", "cp", "");
    row("Frame3", "QGroupBox", "cp", "Manipulation");
    row("Command2", "QPushButton", "Frame3", "&Modifier");
    row("Command10", "QPushButton", "Frame3", "NOMBRE AGENCES", "CLIQUER POUR VOIR LE NOMBRE");
    row("Command11", "QPushButton", "Frame3", "AFFICHER TOUT", "CLIQUER POUR AFFICHER TOUS LES AGENCES");
    row("Frame2", "QGroupBox", "cp", "Modification", {}, false);
    row("Command5", "QPushButton", "Frame2", "&Nouveau", {}, false);
    row("Command7", "QPushButton", "Frame2", "&Supprimer", {}, false);
    row("Command6", "QPushButton", "Frame2", "ENREGISTRER", {}, false);
    row("Frame5", "QGroupBox", "cp", "RECHERCHE");
    row("Combo1", "tavro::PickCombo", "Frame5", "DRECTIONS ZOLT", "RECHERCHER DRECTIONS ZOLT");
    row("Combo2", "tavro::PickCombo", "Frame5", "ZOLT PRINCIPALE", "RECHERCHER ZOLT PAL");
    row("Combo3", "tavro::PickCombo", "Frame5", "AGENCES ZOLT", "RECHERCHER AGENCES ZOLT");
    row("Option4", "QRadioButton", "Frame5", "CODE POSTALE", "TROUVEZ UN CODE POSTALE");
    row("Text9", "QLineEdit", "Frame5", "", "ENTRER LE  CODE POSTALE", false);
    row("Command22", "QPushButton", "Frame5", "->", "RECHERCHER CODE POSTALE", false);
    row("Option2", "QRadioButton", "Frame5", "ZOLT TEL", "RECHERCHER TEL AGENCE");
    row("Text7", "QLineEdit", "Frame5", "", "ENTRER LE NOM D' AGENCE", false);
    row("Command3", "QPushButton", "Frame5", "->", "RECHERCHER TEL AGENCE", false);
    row("cmdfermer", "QPushButton", "cp", "&Fermer");

    window = "tel"; // no control of this window has a tooltip
    row("Label9", "QLabel", "tel", "TELEPHONES AGENCE ZOLT/KIRB");
    row("Frame1", "QGroupBox", "tel", "AFFICHAGE", {}, true, false);
    row("Label1", "QLabel", "Frame1", "AGENCE:", {}, true, false);
    row("Text1", "tavro::NameField", "Frame1", "TAMBRELLE CENTRE", {}, true, false);
    row("Label5", "QLabel", "Frame1", "TEL:", {}, true, false);
    row("Text5", "QLineEdit", "Frame1", "0700 11 01", {}, true, false);
    row("Label3", "QLabel", "Frame1", "ZOLT PAL:", {}, true, false);
    row("Text3", "QLineEdit", "Frame1", "TAMBRELLE RP", {}, true, false);
    row("Label4", "QLabel", "Frame1", "DR ZOLT:", {}, true, false);
    row("Text4", "QLineEdit", "Frame1", "DR TAMBRELLE", {}, true, false);
    row("Frame4", "QGroupBox", "tel", "MANIPULATION");
    row("Command1", "QPushButton", "Frame4", "&Modifier");
    row("Command3", "QPushButton", "Frame4", "NOMBRE AGENCES");
    row("Command10", "QPushButton", "Frame4", "AFFICHER TOUT");
    row("Frame2", "QGroupBox", "tel", "MODIFICATION", {}, false);
    row("Command4", "QPushButton", "Frame2", "&Nouveau", {}, false);
    row("Command6", "QPushButton", "Frame2", "&Supprimer", {}, false);
    row("Command5", "QPushButton", "Frame2", "ENREGISTRER", {}, false);
    row("Frame3", "QGroupBox", "tel", "RECHERCHE");
    row("Combo1", "tavro::PickCombo", "Frame3", "AGENCES ZOLT");
    row("Command9", "QPushButton", "Frame3", "RECHERCHE PAR AGENCE");
    row("Command8", "QPushButton", "Frame3", "RECHERCHE PAR ZOLT PAL");

    window = "adr";
    row("Label6", "QLabel", "adr", "ADRESSE DES 24 GRANDES VILLES");
    row("Frame1", "QGroupBox", "adr", "AFFICHAGE", {}, true, false);
    row("Label1", "QLabel", "Frame1", "VILLE:", {}, true, false);
    row("Text1", "QLineEdit", "Frame1", "TAMBRELLE", {}, true, false);
    row("Label2", "QLabel", "Frame1", "ADRESSE:", {}, true, false);
    row("Text2", "tavro::NameField", "Frame1", "Rue de l'Église", {}, true, false);
    row("Label3", "QLabel", "Frame1", "CODE POSTALE:", {}, true, false);
    row("Text3", "QLineEdit", "Frame1", "16001", {}, true, false);
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
}

void TestRecordWindows::controls()
{
    QFETCH(QString, window);
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, container);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(bool, shown);
    QFETCH(bool, enabled);

    auto w = makeRecordWindow(window);
    const QList<QWidget *> found = w->findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *c = found.first();
    QCOMPARE(QString(c->metaObject()->className()), kind);
    QCOMPARE(containerOf(c), container);
    if (name != "Label7") // the banner belongs to the clock
        QCOMPARE(shownText(c), text);
    QCOMPARE(c->toolTip(), toolTip);
    QCOMPARE(c->isVisibleTo(w.get()), shown);
    QCOMPARE(c->isEnabledTo(w.get()), enabled);
}

void TestRecordWindows::grid_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("caption"); // the line above the rows
    QTest::newRow("cp") << "cp" << QStringList{"AGENCES ZOLT/KIRB", "CP", "ZOLT PAL", "DR KIRB", "TEL"} << "";
    QTest::newRow("tel") << "tel" << QStringList{"AGENCE", "TEL", "ZOLT PAL", "DR ZOLT", "ADRESSE", "FAX"}
                         << "TELEPHONES AGENCE ZOLT/KIRB";
    QTest::newRow("adr") << "adr" << QStringList{"ADRESSE", "C P", "VILLE"} << "ADRESSES INTRA VILLES";
}

void TestRecordWindows::grid()
{
    QFETCH(QString, window);
    QFETCH(QStringList, captions);
    QFETCH(QString, caption);
    auto w = RecordFixture::show(window);
    QCOMPARE(gridCaptions(w.get()), captions);
    QStringList shownLabels;
    for (QLabel *l : child<DataGrid>(w.get(), "DataGrid1")->findChildren<QLabel *>()) {
        if (l->isVisibleTo(w.get()))
            shownLabels << l->text();
    }
    QCOMPARE(shownLabels, caption.isEmpty() ? QStringList() : QStringList{caption});
    // The grid holds the focus when the window opens; the banner's timer runs.
    QCOMPARE(QApplication::focusWidget(), gridOf(w.get()));
    auto *timer = child<QTimer>(w.get(), "Timer1");
    QCOMPARE(timer->interval(), 500);
    QVERIFY(timer->isActive());
    QCOMPARE(child<QLabel>(w.get(), "Picture1")->size(), QSize(80, 89));
    QCOMPARE(child<QLabel>(w.get(), "Picture2")->size(), QSize(160, 120));
    for (const char *name : {"Picture1", "Picture2"})
        QVERIFY2(!child<QLabel>(w.get(), name)->pixmap().isNull(), name);
}

void TestRecordWindows::fits_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("screen");
    for (const QSize size : {QSize(1024, 768), QSize(1366, 768), QSize(1280, 1024), QSize(1920, 1080)}) {
        for (const char *kind : {"cp", "tel", "adr"})
            QTest::addRow("%s %dx%d", kind, size.width(), size.height()) << QString(kind) << size;
    }
}

void TestRecordWindows::fits()
{
    QFETCH(QString, kind);
    QFETCH(QSize, screen);
    // The first row of each window carries a name as long as the longest in use.
    const QString longName = "TAMBRELLE CENTRE CITÉ ADMINISTRATIVE NORD";
    m_f.db->exec("UPDATE CODE SET AGENCE = '" + longName + "' WHERE AGENCE = 'TAMBRELLE CENTRE'");
    m_f.db->exec("UPDATE TELE SET AGENCE = '" + longName + "', ADRESSE = 'Lotissement " + longName + "' WHERE rowid = 1");
    m_f.db->exec("UPDATE QRT SET QUARTIER = '" + longName + "' WHERE rowid = 1");

    MainWindow main;
    registerWindows(main);
    main.resize(screen);
    main.show();
    auto *w = qobject_cast<RecordWindow *>(main.openWindow(kind));
    QVERIFY(w);
    m_f.dialogs->answerInput(kEditPassword);
    w->unlock(); // the modification frame shown as well
    QCoreApplication::processEvents();
    QVERIFY(w->width() > screen.width() - 60);
    // The whole window in view; on the smallest screen it may scroll instead.
    auto *scroll = w->findChild<QScrollArea *>();
    QWidget *page = scroll->widget();
    const bool scrolls = scroll->horizontalScrollBar()->isVisible() || scroll->verticalScrollBar()->isVisible();
    QVERIFY2(!scrolls || screen.width() == 1024, "scrolls on a counter screen");
    if (scrolls)
        QVERIFY(page->width() > scroll->viewport()->width() || page->height() > scroll->viewport()->height());

    // Every grid column in view, without a horizontal scroll bar.
    QTableView *view = gridOf(w);
    QHeaderView *header = view->horizontalHeader();
    QVERIFY(!view->horizontalScrollBar()->isVisible());
    for (int c = 0; c < header->count(); ++c) {
        const int left = header->sectionViewportPosition(c);
        QVERIFY2(left >= 0 && left + header->sectionSize(c) <= view->viewport()->width(), qPrintable(gridCaptions(w)[c]));
    }
    // A cell too long for its column shows its whole text as tooltip.
    const QModelIndex longCell = view->model()->index(0, kind == "tel" ? 4 : 0);
    const QString longText = longCell.data().toString();
    QVERIFY(longText.contains(longName));
    const QRect cell = view->visualRect(longCell);
    if (view->fontMetrics().horizontalAdvance(longText) > cell.width()) {
        QHelpEvent help(QEvent::ToolTip, cell.center(), view->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(view->viewport(), &help);
        QTRY_COMPARE(QToolTip::text(), longText);
        QToolTip::hideText();
    } else {
        QVERIFY2(screen.width() > 1024, "a long text is cut on the smallest screen");
    }
    // The name field shows the whole name without scrolling.
    auto *name = child<QPlainTextEdit>(w, kind == "adr" ? "Text2" : "Text1");
    QVERIFY(name->toPlainText().contains(longName));
    QCOMPARE(name->verticalScrollBar()->maximum(), 0);

    // No two controls overlap, none is cut by its container or the window.
    QList<QWidget *> controls;
    for (QWidget *c : w->findChildren<QWidget *>()) {
        if (c->isVisible() && !c->isWindow() && !c->objectName().isEmpty() && !c->objectName().startsWith("qt_"))
            controls << c;
    }
    for (int i = 0; i < controls.size(); ++i) {
        QWidget *c = controls[i];
        const QRect r(c->mapTo(page, QPoint()), c->size());
        QVERIFY2(QRect(QPoint(), c->parentWidget()->size()).contains(c->geometry()), qPrintable(c->objectName()));
        QVERIFY2(page->rect().contains(r), qPrintable(c->objectName()));
        for (int j = 0; j < i; ++j) {
            QWidget *o = controls[j];
            if (!c->isAncestorOf(o) && !o->isAncestorOf(c))
                QVERIFY2(!r.intersects(QRect(o->mapTo(page, QPoint()), o->size())),
                         qPrintable(c->objectName() + " over " + o->objectName()));
        }
    }
    // No caption cut short.
    for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
        if (b->isVisible() && !b->objectName().isEmpty())
            QVERIFY2(b->width() >= b->minimumSizeHint().width(), qPrintable(b->objectName()));
    }
    for (QLabel *l : w->findChildren<QLabel *>()) {
        if (l->isVisible() && !l->text().isEmpty() && l->objectName() != "Label7")
            QVERIFY2(l->width() >= l->sizeHint().width() - 2, qPrintable(l->objectName()));
    }
}

// clang-format off
void TestRecordWindows::longNameDrawsOnlyWhatShows_data()
{
    // A name far longer than any (an oversized paste, saved once) in the
    // first row of each window: words, or one run of letters.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("change"); // %1: the long name
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("words");
    QTest::newRow("cp, 100,000 in words") << "cp" << "UPDATE CODE SET AGENCE = '%1' WHERE AGENCE = 'TAMBRELLE CENTRE';"
                                                     "UPDATE TELE SET AGENCE = '%1' WHERE AGENCE = 'TAMBRELLE CENTRE'"
                                          << "Text1" << 100000 << true;
    QTest::newRow("tel, 250,000 in one run") << "tel" << "UPDATE TELE SET AGENCE = '%1' WHERE TEL = '0700 11 01'" << "Text1" << 250000 << false;
    QTest::newRow("adr, 1,000,000 in one run") << "adr" << "UPDATE QRT SET QUARTIER = '%1' WHERE CPOSTALE = '16001'" << "Text2" << 1000000 << false;
}
// clang-format on

void TestRecordWindows::longNameDrawsOnlyWhatShows()
{
    QFETCH(QString, kind);
    QFETCH(QString, change);
    QFETCH(QString, field);
    QFETCH(int, length);
    QFETCH(bool, words);
    const QString unit = words ? "QUARTIER DU VIEUX MOULIN " : "QUARTIERDUVIEUXMOULIN";
    const QString name = unit.repeated(length / unit.size() + 1).left(length);
    for (const QString &statement : change.arg(name).split(';'))
        m_f.db->exec(statement);
    auto w = RecordFixture::show(kind);
    auto *box = child<NameField>(w.get(), field);
    const int row = gridColumn(w.get(), gridCaptions(w.get()).first()).indexOf(name);
    QVERIFY(row >= 0);
    for (const int onto : {row, row == 0 ? 1 : 0, row}) { // shown at start, left, moved onto again
        clickGridRow(w.get(), onto);
        QCoreApplication::processEvents();
        // The whole value is in the box; only what is in view was laid out.
        QCOMPARE(box->value() == name, onto == row);
        int laidOut = 0;
        for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next())
            laidOut += b.layout()->lineCount() > 0 ? b.length() : 0;
        QVERIFY2(laidOut <= 3000, qPrintable(QString::number(laidOut)));
    }
    // The grid's cell is cut; its tooltip holds the beginning, and says it goes on.
    QTableView *view = gridOf(w.get());
    const QRect cell = view->visualRect(view->model()->index(row, 0));
    QHelpEvent help(QEvent::ToolTip, cell.center(), view->viewport()->mapToGlobal(cell.center()));
    QApplication::sendEvent(view->viewport(), &help);
    QTRY_VERIFY(QToolTip::text().startsWith("<p>" + name.left(900)));
    QVERIFY(QToolTip::text().endsWith(QString(QChar(0x2026)) + "</p>"));
    QVERIFY(QToolTip::text().size() < 1100);
    QToolTip::hideText();
}

void TestRecordWindows::loading_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("combos");
    QTest::addColumn<QList<QStringList>>("items");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("rows"); // of the key column, as a set
    // Lists in the order read, repeats kept, nulls left out; the captions stay.
    QTest::newRow("cp") << "cp" << QStringList{"Combo1", "Combo2", "Combo3"}
                        << QList<QStringList>{{"DR TAMBRELLE", "DR OUZERANDE"},
                                              {"TAMBRELLE RP", "AZURELLE RP", "OUZERANDE RP"},
                                              kAllAgences}
                        << QStringList{"DRECTIONS ZOLT", "ZOLT PRINCIPALE", "AGENCES ZOLT"} << kJoinedAgences;
    QTest::newRow("tel") << "tel" << QStringList{"Combo1"}
                         << QList<QStringList>{{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "IGNAROLLE HAUT", "BORDJ L'HIRONDELLE",
                                                "ÉLIANE PLATEAU", "ÉLIANE PLATEAU", "KIRB OUZERANDE"}}
                         << QStringList{"AGENCES ZOLT"} << kAllTels;
    QTest::newRow("adr") << "adr" << QStringList{"Combo1"} << QList<QStringList>{{"TAMBRELLE", "OUZERANDE", "ASPRELLE"}}
                         << QStringList{"VILLES"} << kAllStreets;
}

void TestRecordWindows::loading()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, combos);
    QFETCH(QList<QStringList>, items);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, rows);
    auto w = makeRecordWindow(kind);
    for (int i = 0; i < combos.size(); ++i) {
        auto *combo = child<QComboBox>(w.get(), combos[i]);
        QCOMPARE(comboItems(combo), items[i]);
        QCOMPARE(combo->currentText(), texts[i]);
    }
    QCOMPARE(sourceOf(w.get())->recordSource(), specOf(kind).initialQuery);
    QCOMPARE(sorted(gridColumn(w.get(), keyColumn(kind))), sorted(rows));
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

// clang-format off
void TestRecordWindows::listThatCannotBeReadStaysEmpty_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("change"); // empty: no file in the program's folder
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("texts"); // of Combo1, Combo2, ...
    QTest::newRow("cp, no file beside the program") << "cp" << "" << int(kJoinedAgences.size())
                                                    << QStringList{"DRECTIONS ZOLT", "ZOLT PRINCIPALE", "AGENCES ZOLT"};
    QTest::newRow("tel, column renamed") << "tel" << "ALTER TABLE TELE RENAME COLUMN AGENCE TO NOM" << 8
                                         << QStringList{"AGENCES ZOLT"};
    QTest::newRow("adr, column renamed") << "adr" << "ALTER TABLE QRT RENAME COLUMN PROVINCE TO VILLE" << 8
                                         << QStringList{"VILLES"};
}
// clang-format on

void TestRecordWindows::listThatCannotBeReadStaysEmpty()
{
    QFETCH(QString, kind);
    QFETCH(QString, change);
    QFETCH(int, rows);
    QFETCH(QStringList, texts);
    // Loading goes on and nothing is said; the grid reads the working folder's file.
    QTemporaryDir empty;
    if (change.isEmpty())
        Module1::setProgramFolder(empty.path());
    else
        m_f.db->exec(change);
    auto w = makeRecordWindow(kind);
    for (int i = 0; i < texts.size(); ++i) {
        auto *combo = child<PickCombo>(w.get(), QStringLiteral("Combo%1").arg(i + 1));
        QCOMPARE(combo->count(), 0);
        QCOMPARE(combo->currentText(), texts[i]);
    }
    QCOMPARE(gridOf(w.get())->model()->rowCount(), rows);
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

// clang-format off
void TestRecordWindows::busyFileAtStart_data()
{
    // Another copy of the program writes while the window opens: one box.
    // The file stays held over several tries; the clerk may meanwhile show
    // every row (the file free a moment), or type into the empty window.
    QTest::addColumn<int>("heldMs");
    QTest::addColumn<QString>("clerk");
    QTest::addColumn<int>("rows"); // shown at the end
    QTest::addColumn<QString>("typed"); // in the postal code at the end
    QTest::newRow("held over several tries") << 4000 << "" << 8 << "16010";
    QTest::newRow("clerk shows every row, moves to the 4th") << 3500 << "show all" << 10 << "61100";
    QTest::newRow("clerk types into the empty window") << 3500 << "type" << 0 << "16099";
}
// clang-format on

void TestRecordWindows::busyFileAtStart()
{
    // Once the file is free, whatever could not be read is read in the
    // background, silently, but never over rows the clerk asked for nor
    // over typing; then the retry stops.
    QFETCH(int, heldMs);
    QFETCH(QString, clerk);
    QFETCH(int, rows);
    QFETCH(QString, typed);
    auto other = openDatabase(m_f.db->path());
    QVERIFY(other);
    auto hold = [&] { return std::make_unique<SQLite::Transaction>(**other, SQLite::TransactionBehavior::EXCLUSIVE); };
    auto lock = hold();
    auto w = RecordFixture::show("cp");
    QCOMPARE(m_f.dialogs->messageTexts().size(), 1);
    QVERIFY2(m_f.dialogs->messageTexts().first().contains("autre poste"), qPrintable(m_f.dialogs->messageTexts().first()));
    QCOMPARE(child<QComboBox>(w.get(), "Combo1")->count(), 0);
    QCOMPARE(gridOf(w.get())->model()->rowCount(), 0);
    if (clerk == "show all") {
        lock.reset();
        QTest::mouseClick(child<QPushButton>(w.get(), "Command11"), Qt::LeftButton);
        QVERIFY(sourceOf(w.get())->moveTo(3).ok()); // the clerk's place in them, kept
    }
    if (clerk == "type") {
        m_f.dialogs->answerInput(kEditPassword);
        QTest::mouseClick(child<QPushButton>(w.get(), "Command2"), Qt::LeftButton);
        typeInto(child<QLineEdit>(w.get(), "Text2"), "16099");
    }
    if (!lock)
        lock = hold(); // another counter's long save
    QTest::qWait(heldMs);
    lock.reset();
    QTRY_COMPARE_WITH_TIMEOUT(child<QComboBox>(w.get(), "Combo3")->count(), int(kAllAgences.size()), 20000);
    QCOMPARE(comboItems(child<QComboBox>(w.get(), "Combo1")), (QStringList{"DR TAMBRELLE", "DR OUZERANDE"}));
    QCOMPARE(child<QComboBox>(w.get(), "Combo3")->currentText(), QString("AGENCES ZOLT"));
    QCOMPARE(gridOf(w.get())->model()->rowCount(), rows);
    QCOMPARE(sourceOf(w.get())->recordSource(), clerk == "show all" ? specOf("cp").showAllQuery : specOf("cp").initialQuery);
    if (clerk == "show all")
        QCOMPARE(sourceOf(w.get())->currentRow(), 3);
    if (rows == 8)
        QCOMPARE(sorted(gridColumn(w.get(), keyColumn("cp"))), sorted(kJoinedAgences));
    QCOMPARE(child<QLineEdit>(w.get(), "Text2")->text(), typed);
    QCOMPARE(m_f.dialogs->messageTexts().size(), 1);
    QCOMPARE(m_f.db->rows("SELECT count(*) FROM CODE WHERE CPOSTALE = '16099'"), QStringList{"0"});
}

// clang-format off
void TestRecordWindows::pick_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("combo");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("rows"); // of the key column, in the order shown
    QTest::addColumn<QString>("textAfter");

    QTest::newRow("cp region") << "cp" << "Combo1" << 0
        << "SELECT * FROM CODE WHERE REGION ='DR TAMBRELLE' ORDER BY  CODE.PROVINCE ,code.AGENCE"
        << QStringList{"IGNAROLLE HAUT", "TAMBRELLE CENTRE", "TAMBRELLE GARE", "TAMBRELLE GARE"} << "DR ZOLT";
    QTest::newRow("cp principal office") << "cp" << "Combo2" << 0
        << "SELECT * From CODE  WHERE PROVINCE ='TAMBRELLE RP' ORDER BY AGENCE"
        << QStringList{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "TAMBRELLE GARE"} << "ZOLT PAL";
    QTest::newRow("cp office listed twice") << "cp" << "Combo3" << 7
        << "SELECT *  From CODE  WHERE AGENCE  ='TAMBRELLE GARE' ORDER BY AGENCE"
        << QStringList{"TAMBRELLE GARE", "TAMBRELLE GARE"} << "AGENCES ZOLT";
    QTest::newRow("cp office with an apostrophe") << "cp" << "Combo3" << 4
        << "SELECT *  From CODE  WHERE AGENCE  ='BORDJ L''HIRONDELLE' ORDER BY AGENCE"
        << QStringList{"BORDJ L'HIRONDELLE"} << "AGENCES ZOLT";
    QTest::newRow("tel office with two telephones") << "tel" << "Combo1" << 5
        << "SELECT *  From TELE  WHERE AGENCE='ÉLIANE PLATEAU' ORDER BY AGENCE"
        << QStringList{"0700 31 05", "0700 31 06"} << "AGENCES ZOLT";
    QTest::newRow("adr city with three streets") << "adr" << "Combo1" << 0
        << "SELECT *  From QRT  WHERE PROVINCE='TAMBRELLE' ORDER BY PROVINCE"
        << QStringList{"Rue de l'Église", "Cité des Oliviers", "Rue Basse"} << "VILLES";
}
// clang-format on

void TestRecordWindows::pick()
{
    QFETCH(QString, kind);
    QFETCH(QString, combo);
    QFETCH(int, index);
    QFETCH(QString, query);
    QFETCH(QStringList, rows);
    QFETCH(QString, textAfter);

    auto w = RecordFixture::show(kind);
    auto *box = child<QComboBox>(w.get(), combo);
    const QStringList itemsBefore = comboItems(box);
    for (int round = 0; round < 2; ++round) { // the same entry chosen again runs again
        sourceOf(w.get())->setRecordSource(QString());
        pickFromList(box, index);
        QCOMPARE(sourceOf(w.get())->recordSource(), query);
        QCOMPARE(gridColumn(w.get(), keyColumn(kind)), rows);
        QCOMPARE(box->currentText(), textAfter);
        QCOMPARE(comboItems(box), itemsBefore);
    }
    if (kind == "cp")
        QCOMPARE(fieldText(w.get(), "Text1"), rows.first());
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

// clang-format off
void TestRecordWindows::typingIntoAListChoosesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("finish"); // 0 Return on the list, 1 Enter in its field, 2 focus leaving
    QTest::newRow("cp region, Return") << "cp" << "DR OUZERANDE" << 0;
    QTest::newRow("tel office, Enter in the field") << "tel" << "IGNAROLLE HAUT" << 1;
    QTest::newRow("adr city in lower case, focus out") << "adr" << "ouzerande" << 2;
}
// clang-format on

void TestRecordWindows::typingIntoAListChoosesNothing()
{
    QFETCH(QString, kind);
    QFETCH(QString, typed);
    QFETCH(int, finish);
    auto w = RecordFixture::show(kind);
    auto *combo = child<PickCombo>(w.get(), "Combo1");
    const int items = combo->count();
    QSignalSpy chosen(combo, &PickCombo::chosen);
    QSignalSpy activated(combo, &QComboBox::activated);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(combo, typed);
    if (finish == 0)
        QTest::keyClick(combo, Qt::Key_Return);
    else if (finish == 1)
        QTest::keyClick(combo->lineEdit(), Qt::Key_Enter);
    gridOf(w.get())->setFocus();
    QVERIFY(!combo->hasFocus());
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(activated.count(), 0);
    QCOMPARE(combo->currentText(), typed);
    QCOMPARE(combo->count(), items); // nothing inserted
    QCOMPARE(sourceOf(w.get())->recordSource(), specOf(kind).initialQuery);
}

void TestRecordWindows::closedListIgnoresArrowsAndWheel()
{
    auto w = RecordFixture::show("adr");
    auto *combo = child<PickCombo>(w.get(), "Combo1");
    QSignalSpy chosen(combo, &PickCombo::chosen);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QVERIFY(combo->view()->isVisible()); // the arrow opens the list
    combo->hidePopup();
    QWheelEvent wheel(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &wheel);
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(combo->currentText(), QString("VILLES"));
    // A pick with the mouse is a choice.
    combo->showPopup();
    const QModelIndex last = combo->model()->index(2, 0);
    QTest::mouseClick(combo->view()->viewport(), Qt::LeftButton, {}, combo->view()->visualRect(last).center());
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.last().first().toString(), QString("ASPRELLE"));
}

// clang-format off
void TestRecordWindows::search_data()
{
    // The postal-code window's searches are typed into its entries; the
    // others' into an input box (nothing queued answers Cancel).
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QStringList>("rows"); // as a set

    QTest::newRow("cp code prefix") << "cp" << "Command22" << false << "16" << ""
        << "SELECT * FROM CODE WHERE CPOSTALE like '16%'"
        << QStringList{"TAMBRELLE CENTRE", "TAMBRELLE GARE", "IGNAROLLE HAUT", "TAMBRELLE GARE"};
    QTest::newRow("cp code, empty: every office with a code") << "cp" << "Command22" << false << "" << ""
        << "SELECT * FROM CODE WHERE CPOSTALE like '%'" << kAllAgences.mid(0, 9);
    QTest::newRow("cp code, apostrophe") << "cp" << "Command22" << false << "1'" << ""
        << "SELECT * FROM CODE WHERE CPOSTALE like '1''%'" << QStringList();
    QTest::newRow("cp name, accent in lower case") << "cp" << "Command3" << false << "éliane" << ""
        << kNameWithTel.arg("éliane") << QStringList{"ÉLIANE PLATEAU", "ÉLIANE PLATEAU"};
    QTest::newRow("cp name, apostrophe") << "cp" << "Command3" << false << "BORDJ L'H" << ""
        << kNameWithTel.arg("BORDJ L''H") << QStringList{"BORDJ L'HIRONDELLE"};
    QTest::newRow("cp name, empty: every office with a telephone") << "cp" << "Command3" << false << "" << ""
        << kNameWithTel.arg("") << kJoinedAgences;
    QTest::newRow("cp name, office without telephone") << "cp" << "Command3" << false << "AZURELLE" << ""
        << kNameWithTel.arg("AZURELLE") << QStringList();

    const QString byProvince = "Entrer le nom de la Poste Principale svp ";
    const QString byName = "Entrer le code postale svp ";
    QTest::newRow("tel principal office, lower case") << "tel" << "Command8" << false << "ouz" << byProvince
        << " select * from TELE  where PROVINCE like 'ouz%'"
        << QStringList{"0700 31 04", "0700 31 05", "0700 31 06", "0700 31 07"};
    QTest::newRow("tel principal office, beginning only") << "tel" << "Command8" << false << "RP" << byProvince
        << " select * from TELE  where PROVINCE like 'RP%'" << QStringList();
    QTest::newRow("tel principal office, cancel") << "tel" << "Command8" << true << "" << byProvince
        << " select * from TELE  where PROVINCE like '%'" << kAllTels;
    QTest::newRow("tel name, apostrophe") << "tel" << "Command9" << false << "BORDJ L'" << byName
        << " SELECT * FROM TELE  where  AGENCE like 'BORDJ L''%'" << QStringList{"0700 31 04"};
    QTest::newRow("tel name, NUL typed into the box") << "tel" << "Command9" << false << QString::fromUtf8("BORDJ\0 L'", 9)
        << byName << " SELECT * FROM TELE  where  AGENCE like 'BORDJ L''%'" << QStringList{"0700 31 04"};
    QTest::newRow("tel name, a postal code finds nothing") << "tel" << "Command9" << false << "16010" << byName
        << " SELECT * FROM TELE  where  AGENCE like '16010%'" << QStringList();

    const QString byStreet = "Entrer le nom Quartier ou de Rue svp ";
    const QString byCode = "Entrer le Code Postale svp ";
    QTest::newRow("adr street with an apostrophe") << "adr" << "Command8" << false << "Rue de l'É" << byStreet
        << " select * from QRT  where  QUARTIER like 'Rue de l''É%'" << QStringList{"Rue de l'Église"};
    QTest::newRow("adr street, accent in capitals") << "adr" << "Command8" << false << "ÉCOLE" << byStreet
        << " select * from QRT  where  QUARTIER like 'ÉCOLE%'" << QStringList{"école du Bas"};
    QTest::newRow("adr street, middle word finds nothing") << "adr" << "Command8" << false << "Oliviers" << byStreet
        << " select * from QRT  where  QUARTIER like 'Oliviers%'" << QStringList();
    QStringList withCode = kAllStreets;
    withCode.removeAll("Place Neuve");
    QTest::newRow("adr code, cancel: every row with a code") << "adr" << "Command9" << true << "" << byCode
        << " SELECT * FROM QRT  where  CPOSTALE like '%'" << withCode;
}
// clang-format on

void TestRecordWindows::search()
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
    QLineEdit *entry = nullptr;
    if (kind == "cp") {
        const bool code = button == "Command22";
        QTest::mouseClick(child<QRadioButton>(w.get(), code ? "Option4" : "Option2"), Qt::LeftButton);
        entry = child<QLineEdit>(w.get(), code ? "Text9" : "Text7");
        typeText(entry, typed);
    } else if (!cancel) {
        m_f.dialogs->answerInput(typed);
    }
    QTest::mouseClick(child<QPushButton>(w.get(), button), Qt::LeftButton);

    QCOMPARE(sourceOf(w.get())->recordSource(), query);
    QCOMPARE(sorted(gridColumn(w.get(), keyColumn(kind))), sorted(rows));
    QCOMPARE(combo->currentText(), comboText);
    if (entry) {
        QCOMPARE(entry->text(), QString());
        QCOMPARE(QApplication::focusWidget(), entry);
        QVERIFY(m_f.dialogs->calls().isEmpty());
    } else {
        QCOMPARE(m_f.dialogs->calls().size(), 1);
        QCOMPARE(m_f.dialogs->calls().first().kind, ScriptedDialogs::Call::Input);
        QCOMPARE(m_f.dialogs->calls().first().spec.text, prompt);
        QCOMPARE(m_f.dialogs->calls().first().spec.title, applicationTitle());
    }
}

void TestRecordWindows::postalCodeSearchOptions()
{
    auto w = RecordFixture::show("cp");
    auto shown = [&w](const char *name) { return child<QWidget>(w.get(), name)->isVisible(); };
    QTest::mouseClick(child<QRadioButton>(w.get(), "Option4"), Qt::LeftButton);
    QVERIFY(shown("Text9") && shown("Command22") && !shown("Text7") && !shown("Command3"));
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(w.get(), "Text9"));
    QTest::keyClicks(child<QLineEdit>(w.get(), "Text9"), "612345"); // five characters at most
    QTest::mouseClick(child<QRadioButton>(w.get(), "Option2"), Qt::LeftButton);
    QVERIFY(!shown("Text9") && !shown("Command22") && shown("Text7") && shown("Command3"));
    QVERIFY(!child<QRadioButton>(w.get(), "Option4")->isChecked());
    QCOMPARE(QApplication::focusWidget(), child<QWidget>(w.get(), "Text7"));
    QTest::keyClicks(child<QLineEdit>(w.get(), "Text7"), "KIRB");
    // Switching back keeps what was typed in each entry, and runs nothing.
    QTest::mouseClick(child<QRadioButton>(w.get(), "Option4"), Qt::LeftButton);
    QCOMPARE(child<QLineEdit>(w.get(), "Text9")->text(), QString("61234"));
    QCOMPARE(child<QLineEdit>(w.get(), "Text7")->text(), QString("KIRB"));
    QCOMPARE(sourceOf(w.get())->recordSource(), specOf("cp").initialQuery);
    // A result without a TEL column shows it empty.
    typeInto(child<QLineEdit>(w.get(), "Text9"), "16010");
    QTest::mouseClick(child<QPushButton>(w.get(), "Command22"), Qt::LeftButton);
    QCOMPARE(gridColumn(w.get(), "TEL"), QStringList{QString()});
    QCOMPARE(child<QLineEdit>(w.get(), "Text5")->text(), QString());
    QCOMPARE(child<QLineEdit>(w.get(), "Text2")->text(), QString("16010"));
    QVERIFY(m_f.dialogs->calls().isEmpty());
}

QTEST_MAIN(TestRecordWindows)
#include "tst_recordwindows.moc"
