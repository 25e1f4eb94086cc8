// The data control, its grid and bound fields as real widgets over a real
// database file: navigation, choosing in the grid, typing, failures in the
// control's own box.
#include "app/shell.h"
#include "data/datacontrol.h"
#include "data/recordsource.h"
#include "support/scripteddialogs.h"
#include "support/testdb.h"

#include <QApplication>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

using tavro::DataControl;
using tavro::DataGrid;
using tavro::test::ScriptedDialogs;
using tavro::test::TestDatabase;

namespace {

const QString kJoin = QStringLiteral("SELECT CODE.AGENCE, CODE.CPOSTALE, CODE.PROVINCE, CODE.REGION ,TELE.TEL FROM CODE,TELE "
                                     "WHERE CODE.AGENCE = TELE.AGENCE ");

// A record window in small: grid, the bar directly under it, bound fields.
class RecordPane : public QWidget {
public:
    explicit RecordPane(const QString &databasePath)
    {
        control = new DataControl(this);
        control->source()->setDatabasePath(databasePath);
        // As a record window does: the control's failures in a box.
        QObject::connect(control, &DataControl::failed, this,
                         [this](const tavro::Status &failure) { tavro::reportFailure(this, failure); });
        grid = new DataGrid(control,
                            {{QStringLiteral("AGENCES ZOLT/KIRB"), QStringLiteral("AGENCE")},
                             {QStringLiteral("CP"), QStringLiteral("CPOSTALE")},
                             {QStringLiteral("ZOLT PAL"), QStringLiteral("PROVINCE")},
                             {QStringLiteral("DR KIRB"), QStringLiteral("REGION")},
                             {QStringLiteral("TEL"), QStringLiteral("TEL")}},
                            this);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(grid, 1);
        layout->addWidget(control);
        auto *form = new QFormLayout;
        const std::pair<const char *, const char *> fields[] = {
            {"AGENCE:", "AGENCE"}, {"CODE POSTALE:", "CPOSTALE"}, {"ZOLT PAL:", "PROVINCE"}, {"DR ZOLT:", "REGION"}, {"TEL:", "TEL"}};
        int n = 1;
        for (const auto &[label, column] : fields) {
            auto *edit = new QLineEdit(this);
            edit->setObjectName(QStringLiteral("Text%1").arg(n++));
            control->bindField(edit, QLatin1String(column));
            form->addRow(QLatin1String(label), edit);
            edits << edit;
        }
        layout->addLayout(form);
    }
    QStringList shown() const
    {
        QStringList out;
        for (QLineEdit *e : edits)
            out << e->text();
        return out;
    }

    DataControl *control;
    DataGrid *grid;
    QList<QLineEdit *> edits;
};

void fillOffices(TestDatabase &db)
{
    db.create();
    const char *offices[][5] = {
        {"ZOLT KARBELOU CENTRE", "60020", "KARBELOU", "DR CENTRE-SUD", "0500-600001"},
        {"ZOLT KARBELOU GARE", "60040", "KARBELOU", "DR CENTRE-SUD", "0500-600002"},
        {"KIRB IMINTAR PLATEAU", "62020", "IMINTAR", "DR CENTRE-SUD", "0500-620001"},
        {"ZOLT IMINTAR STADE", "62040", "IMINTAR", "DR CENTRE-SUD", "0500-620002"},
    };
    for (const auto &o : offices) {
        db.insert("CODE", {o[0], o[1], o[2], o[3]});
        db.insert("TELE", {o[0], o[4], o[2], o[3], QVariant(), QVariant()});
    }
}

// Four offices shown through a pane, boxes answered by script.
struct ShownOffices {
    TestDatabase db;
    ScriptedDialogs dialogs;
    RecordPane pane{db.path()};
    tavro::Status show(const QString &sql)
    {
        fillOffices(db);
        pane.resize(700, 400);
        pane.show();
        pane.control->setRecordSource(sql);
        return pane.control->refresh();
    }
};

QToolButton *button(QWidget *pane, const char *name)
{
    return pane->findChild<QToolButton *>(QLatin1String(name));
}

} // namespace

class TestDataControl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void barGridAndFieldsFollow_data();
    void barGridAndFieldsFollow();
    void choosingInTheGridMovesTheFields();
    void typingIsWrittenByUpdate();
    void missingColumnShowsEmpty();
    void newAndDeletedRowsShowEverywhere();
    void failuresComeInTheControlsBox_data();
    void failuresComeInTheControlsBox();
    void refusedMoveKeepsTypingAndRow();
    void refreshWritesTypingFirst_data();
    void refreshWritesTypingFirst();
    void captionLine();
    void screenshot();
};

void TestDataControl::initTestCase()
{
    tavro::setupApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
}

void TestDataControl::barGridAndFieldsFollow_data()
{
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<int>("row");
    QTest::newRow("start on the first row") << QStringList{} << 0;
    QTest::newRow("next twice") << QStringList{"Next", "Next"} << 2;
    QTest::newRow("last") << QStringList{"Last"} << 3;
    QTest::newRow("past the end stays last") << QStringList{"Last", "Next", "Next"} << 3;
    QTest::newRow("before the start stays first") << QStringList{"Previous"} << 0;
    QTest::newRow("last then previous") << QStringList{"Last", "Previous"} << 2;
    QTest::newRow("back to first") << QStringList{"Next", "Next", "First"} << 0;
}

void TestDataControl::barGridAndFieldsFollow()
{
    QFETCH(QStringList, presses);
    QFETCH(int, row);
    ShownOffices fx;
    QVERIFY(fx.show(kJoin + QStringLiteral("ORDER BY CODE.AGENCE")).ok());
    for (const QString &name : presses)
        QTest::mouseClick(button(&fx.pane, qPrintable(name)), Qt::LeftButton);
    const QStringList expected =
        fx.db.rows(QStringLiteral("SELECT CODE.AGENCE, CPOSTALE, CODE.PROVINCE, CODE.REGION, TEL FROM CODE, TELE "
                               "WHERE CODE.AGENCE = TELE.AGENCE ORDER BY CODE.AGENCE"))
            .at(row)
            .split(QLatin1Char('|'));
    QCOMPARE(fx.pane.control->source()->currentRow(), row);
    QCOMPARE(fx.pane.shown(), expected);
    QCOMPARE(fx.pane.grid->view()->currentIndex().row(), row);
    QCOMPARE(fx.pane.grid->view()->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(fx.pane.grid->view()->model()->index(row, 4).data().toString(), expected.at(4));
    QVERIFY(fx.dialogs.calls().isEmpty());
}

void TestDataControl::choosingInTheGridMovesTheFields()
{
    ShownOffices fx;
    QVERIFY(fx.show(QStringLiteral(" SELECT * FROM CODE ")).ok());
    QTableView *view = fx.pane.grid->view();
    const QRect cell = view->visualRect(view->model()->index(2, 1));
    QVERIFY(cell.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(fx.pane.control->source()->currentRow(), 2);
    QCOMPARE(fx.pane.edits[0]->text(), QStringLiteral("KIRB IMINTAR PLATEAU"));
    QCOMPARE(fx.pane.edits[1]->text(), QStringLiteral("62020"));
    QCOMPARE(fx.pane.edits[4]->text(), QString()); // no TEL in this result
}

void TestDataControl::typingIsWrittenByUpdate()
{
    ShownOffices fx;
    QVERIFY(fx.show(kJoin).ok());
    QTest::mouseClick(button(&fx.pane, "Next"), Qt::LeftButton);
    QLineEdit *tel = fx.pane.edits[4];
    tel->selectAll();
    QTest::keyClicks(tel, QStringLiteral("0500-609999"));
    QVERIFY(fx.pane.control->update().ok());
    QVERIFY(fx.dialogs.calls().isEmpty());
    QCOMPARE(fx.db.rows(QStringLiteral("SELECT TEL FROM TELE WHERE AGENCE = 'ZOLT KARBELOU GARE'")), QStringList{"0500-609999"});
    QCOMPARE(fx.pane.grid->view()->model()->index(1, 4).data().toString(), QStringLiteral("0500-609999"));
}

void TestDataControl::missingColumnShowsEmpty()
{
    ShownOffices fx;
    QVERIFY(fx.show(QStringLiteral("SELECT * FROM CODE WHERE CPOSTALE like '62%'")).ok());
    QAbstractItemModel *grid = fx.pane.grid->view()->model();
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->headerData(4, Qt::Horizontal).toString(), QStringLiteral("TEL"));
    QCOMPARE(grid->index(0, 4).data().toString(), QString());
    QCOMPARE(grid->index(0, 0).data().toString(), QStringLiteral("KIRB IMINTAR PLATEAU"));
    QCOMPARE(fx.pane.edits[4]->text(), QString());

    // Typing where the result has no column changes nothing in the file,
    // and the save says so instead of claiming success.
    const QStringList before = fx.db.rows(QStringLiteral("SELECT * FROM TELE"));
    QTest::keyClicks(fx.pane.edits[4], QStringLiteral("0500-629999"));
    QVERIFY(!fx.pane.control->update().ok());
    QCOMPARE(fx.dialogs.messageTexts().size(), 1);
    QVERIFY(fx.dialogs.messageTexts().at(0).contains(QStringLiteral("TEL")));
    QCOMPARE(fx.db.rows(QStringLiteral("SELECT * FROM TELE")), before);

    // Back to the join: the column is there again.
    fx.pane.control->setRecordSource(kJoin);
    QVERIFY(fx.pane.control->refresh().ok());
    QCOMPARE(fx.pane.edits[4]->text(), QStringLiteral("0500-600001"));
}

void TestDataControl::newAndDeletedRowsShowEverywhere()
{
    ShownOffices fx;
    QVERIFY(fx.show(QStringLiteral("select * from TELE")).ok());
    QAbstractItemModel *grid = fx.pane.grid->view()->model();
    QVERIFY(fx.pane.control->addNew().ok());
    QCOMPARE(grid->rowCount(), 5);
    QCOMPARE(fx.pane.grid->view()->currentIndex().row(), 4);
    QCOMPARE(fx.pane.shown(), QStringList(5, QString()));
    QCOMPARE(fx.pane.control->recordCount(), qint64(4));
    QTest::keyClicks(fx.pane.edits[0], QStringLiteral("ZOLT IMINTAR GARE"));
    QTest::keyClicks(fx.pane.edits[4], QStringLiteral("0500-620003"));
    QVERIFY(fx.pane.control->update().ok());
    QCOMPARE(fx.pane.control->recordCount(), qint64(5));
    QCOMPARE(grid->index(4, 0).data().toString(), QStringLiteral("ZOLT IMINTAR GARE"));
    QCOMPARE(fx.db.rows(QStringLiteral("SELECT AGENCE, TEL FROM TELE WHERE rowid = 5")),
             QStringList{"ZOLT IMINTAR GARE|0500-620003"});

    // Deleting the second row: the third takes its place and is shown.
    QTest::mouseClick(button(&fx.pane, "First"), Qt::LeftButton);
    QTest::mouseClick(button(&fx.pane, "Next"), Qt::LeftButton);
    QVERIFY(fx.pane.control->deleteCurrent().ok());
    QCOMPARE(grid->rowCount(), 4);
    QCOMPARE(fx.pane.grid->view()->currentIndex().row(), 1);
    QCOMPARE(fx.pane.edits[0]->text(), QStringLiteral("KIRB IMINTAR PLATEAU"));
    QCOMPARE(fx.pane.control->recordCount(), qint64(4));
    QVERIFY(fx.dialogs.calls().isEmpty());
}

void TestDataControl::failuresComeInTheControlsBox_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("says");
    QTest::newRow("missing file") << "missing" << "introuvable";
    QTest::newRow("bad query") << "query" << "recherche";
    QTest::newRow("delete of a summary row") << "delete" << "ne peuvent pas être modifiées";
    QTest::newRow("update with nothing shown") << "empty" << "Aucun enregistrement";
}

void TestDataControl::failuresComeInTheControlsBox()
{
    QFETCH(QString, what);
    QFETCH(QString, says);
    TestDatabase db;
    if (what != QLatin1String("missing"))
        fillOffices(db);
    ScriptedDialogs dialogs;
    RecordPane pane(db.path());
    tavro::Status status;
    if (what == QLatin1String("missing") || what == QLatin1String("query")) {
        pane.control->setRecordSource(what == QLatin1String("query") ? QStringLiteral("SELECT * FROM CODE WHERE AGENCE = 'L'OASIS'")
                                                                     : QStringLiteral("select * from QRT "));
        status = pane.control->refresh();
    } else if (what == QLatin1String("delete")) {
        pane.control->setRecordSource(QStringLiteral("SELECT DISTINCT REGION FROM CODE "));
        QVERIFY(pane.control->refresh().ok());
        status = pane.control->deleteCurrent();
    } else {
        pane.control->setRecordSource(QStringLiteral("SELECT * FROM CODE WHERE AGENCE = 'personne'"));
        QVERIFY(pane.control->refresh().ok());
        status = pane.control->update();
    }
    QVERIFY(!status.ok());
    QCOMPARE(dialogs.calls().size(), 1);
    const tavro::MessageSpec &box = dialogs.calls().at(0).spec;
    QCOMPARE(box.text, status.message());
    QVERIFY2(box.text.contains(says), qPrintable(box.text));
    QCOMPARE(box.icon, tavro::MsgIcon::Critical);
    QCOMPARE(box.buttons, tavro::MsgButtons(tavro::Ok));
    QCOMPARE(box.title, tavro::applicationTitle());
    if (what == QLatin1String("missing"))
        QVERIFY(box.text.contains(QDir::toNativeSeparators(db.path())));
}

void TestDataControl::refusedMoveKeepsTypingAndRow()
{
    ShownOffices fx;
    QVERIFY(fx.show(QStringLiteral(" SELECT * FROM CODE ")).ok());
    QLineEdit *cp = fx.pane.edits[1];
    cp->selectAll();
    QTest::keyClicks(cp, QStringLiteral("60099"));
    fx.db.exec(QStringLiteral("UPDATE CODE SET CPOSTALE = '60021' WHERE rowid = 1")); // a colleague, meanwhile
    QTableView *view = fx.pane.grid->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(3, 0)).center());
    QCOMPARE(fx.dialogs.messageTexts().size(), 1);
    QVERIFY(fx.dialogs.messageTexts().at(0).contains(QStringLiteral("autre utilisateur")));
    QCOMPARE(fx.pane.control->source()->currentRow(), 0);
    QCOMPARE(view->currentIndex().row(), 0);
    QCOMPARE(cp->text(), QStringLiteral("60099"));
    QCOMPARE(fx.db.rows(QStringLiteral("SELECT CPOSTALE FROM CODE WHERE rowid = 1")), QStringList{"60021"});
}

void TestDataControl::refreshWritesTypingFirst_data()
{
    QTest::addColumn<bool>("colleagueFirst");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("boxes");
    QTest::newRow("written") << false << "60099" << 0;
    QTest::newRow("refused, told, rows replaced") << true << "60021" << 1;
}

void TestDataControl::refreshWritesTypingFirst()
{
    QFETCH(bool, colleagueFirst);
    QFETCH(QString, stored);
    QFETCH(int, boxes);

    ShownOffices fx;
    QVERIFY(fx.show(QStringLiteral(" SELECT * FROM CODE ")).ok());
    QLineEdit *cp = fx.pane.edits[1];
    cp->selectAll();
    QTest::keyClicks(cp, QStringLiteral("60099"));
    if (colleagueFirst)
        fx.db.exec(QStringLiteral("UPDATE CODE SET CPOSTALE = '60021' WHERE rowid = 1"));

    fx.pane.control->setRecordSource(QStringLiteral("SELECT * FROM CODE WHERE REGION ='DR CENTRE-SUD' ORDER BY AGENCE"));
    QVERIFY(fx.pane.control->refresh().ok());

    QCOMPARE(fx.db.rows(QStringLiteral("SELECT CPOSTALE FROM CODE WHERE rowid = 1")), QStringList{stored});
    QCOMPARE(fx.dialogs.messageTexts().size(), boxes);
    if (boxes) {
        const QString told = fx.dialogs.messageTexts().first();
        QVERIFY2(told.contains(QStringLiteral("n'ont pas été enregistrées")), qPrintable(told));
        QVERIFY2(!told.contains(QStringLiteral("conservées")), qPrintable(told));
    }
    // The new rows are shown, ordered by office name.
    QCOMPARE(fx.pane.shown().first(), QStringLiteral("KIRB IMINTAR PLATEAU"));
    QVERIFY(!fx.pane.control->source()->hasPendingChanges());
}

void TestDataControl::captionLine()
{
    TestDatabase db;
    RecordPane pane(db.path());
    auto *caption = pane.grid->findChild<QLabel *>(QStringLiteral("Caption"));
    QVERIFY(caption);
    pane.show();
    QVERIFY(!caption->isVisible());
    pane.grid->setCaption(QStringLiteral("LISTE DES AGENCES"));
    QVERIFY(caption->isVisible());
    QCOMPARE(caption->text(), QStringLiteral("LISTE DES AGENCES"));
    pane.grid->setCaption(QString());
    QVERIFY(!caption->isVisible());
    // The bar's own caption is empty.
    auto *barCaption = pane.control->findChild<QLabel *>(QStringLiteral("Caption"));
    QVERIFY(barCaption);
    QCOMPARE(barCaption->text(), QString());
}

void TestDataControl::screenshot()
{
    TestDatabase db;
    db.createSample();
    RecordPane pane(db.path());
    pane.resize(720, 460);
    pane.show();
    pane.control->setRecordSource(kJoin);
    QVERIFY(pane.control->refresh().ok());
    QTest::mouseClick(button(&pane, "Next"), Qt::LeftButton);
    QCOMPARE(pane.control->objectName(), QStringLiteral("Adodc1"));
    QCOMPARE(pane.grid->objectName(), QStringLiteral("DataGrid1"));
    // The bar sits directly under the grid.
    QCOMPARE(pane.control->geometry().top() - pane.grid->geometry().bottom(), 1 + pane.layout()->spacing());
    const QPixmap shot = pane.grab();
    QVERIFY(!shot.isNull());
    const QString folder = qEnvironmentVariable("TAVRO_SCREENSHOTS");
    if (!folder.isEmpty())
        QVERIFY(shot.save(QDir(folder).filePath(QStringLiteral("datacontrol.png"))));
}

QTEST_MAIN(TestDataControl)
#include "tst_datacontrol.moc"
