// Every control of the three record windows: objectName, kind, container,
// caption or text, tooltip and initial state, on a generated database.
#include "support/recordui.h"

#include <QtTest>

using namespace tavro;
using namespace tavro::test;

class TestRecordControls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void controls_data();
    void controls();
    void grid_data();
    void grid();

private:
    RecordFixture m_f;
};

void TestRecordControls::init()
{
    m_f.setUp();
}

void TestRecordControls::cleanup()
{
    m_f.tearDown();
}

void TestRecordControls::controls_data()
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
    auto row = [&window](const char *name, const char *kind, const char *container, const QString &text,
                         const QString &tip = {}, bool shown = true, bool enabled = true) {
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
    row("Text1", "QLineEdit", "Frame4", "TAMBRELLE CENTRE", {}, true, false);
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
    row("Picture1", "QLabel", "tel", "");
    row("Label7", "tavro::ClockBanner", "tel", "");
    row("Label9", "QLabel", "tel", "TELEPHONES AGENCE ZOLT/KIRB");
    row("Picture2", "QLabel", "tel", "");
    row("Frame1", "QGroupBox", "tel", "AFFICHAGE", {}, true, false);
    row("Label1", "QLabel", "Frame1", "AGENCE:", {}, true, false);
    row("Text1", "QLineEdit", "Frame1", "TAMBRELLE CENTRE", {}, true, false);
    row("Label5", "QLabel", "Frame1", "TEL:", {}, true, false);
    row("Text5", "QLineEdit", "Frame1", "0700 11 01", {}, true, false);
    row("Label3", "QLabel", "Frame1", "ZOLT PAL:", {}, true, false);
    row("Text3", "QLineEdit", "Frame1", "TAMBRELLE RP", {}, true, false);
    row("Label4", "QLabel", "Frame1", "DR ZOLT:", {}, true, false);
    row("Text4", "QLineEdit", "Frame1", "DR TAMBRELLE", {}, true, false);
    row("DataGrid1", "tavro::DataGrid", "tel", "");
    row("Adodc1", "tavro::DataControl", "tel", "");
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
    row("cmdfermer", "QPushButton", "tel", "&Fermer");

    window = "adr";
    row("Picture1", "QLabel", "adr", "");
    row("Label7", "tavro::ClockBanner", "adr", "");
    row("Label6", "QLabel", "adr", "ADRESSE DES 24 GRANDES VILLES");
    row("Picture2", "QLabel", "adr", "");
    row("Frame1", "QGroupBox", "adr", "AFFICHAGE", {}, true, false);
    row("Label1", "QLabel", "Frame1", "VILLE:", {}, true, false);
    row("Text1", "QLineEdit", "Frame1", "TAMBRELLE", {}, true, false);
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

void TestRecordControls::controls()
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

void TestRecordControls::grid_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("caption"); // the line above the rows
    QTest::newRow("cp") << "cp" << QStringList{"AGENCES ZOLT/KIRB", "CP", "ZOLT PAL", "DR KIRB", "TEL"} << "";
    QTest::newRow("tel") << "tel" << QStringList{"AGENCE", "TEL", "ZOLT PAL", "DR ZOLT", "ADRESSE", "FAX"}
                         << "TELEPHONES AGENCE ZOLT/KIRB";
    QTest::newRow("adr") << "adr" << QStringList{"ADRESSE", "C P", "VILLE"} << "ADRESSES INTRA VILLES";
}

void TestRecordControls::grid()
{
    QFETCH(QString, window);
    QFETCH(QStringList, captions);
    QFETCH(QString, caption);
    auto w = makeRecordWindow(window);
    QCOMPARE(gridCaptions(w.get()), captions);
    QStringList shownLabels;
    for (QLabel *l : child<DataGrid>(w.get(), "DataGrid1")->findChildren<QLabel *>()) {
        if (l->isVisibleTo(w.get()))
            shownLabels << l->text();
    }
    QCOMPARE(shownLabels, caption.isEmpty() ? QStringList() : QStringList{caption});
}

QTEST_MAIN(TestRecordControls)
#include "tst_recordcontrols.moc"
