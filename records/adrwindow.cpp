#include "records/adrwindow.h"

#include "records/adrqueries.h"
#include "records/pickcombo.h"
#include "records/recordlook.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavro {

namespace {

const QString kCitiesCaption = QStringLiteral("VILLES");

} // namespace

RecordWindowSpec AdrWindow::spec()
{
    RecordWindowSpec s;
    s.titleName = QStringLiteral("Label6");
    s.titleText = QStringLiteral("ADRESSE DES 24 GRANDES VILLES");
    s.displayFrame = QStringLiteral("Frame1");
    s.fields = {
        {QStringLiteral("Label1"), QStringLiteral("VILLE:"), QStringLiteral("Text1"), QStringLiteral("PROVINCE")},
        {QStringLiteral("Label2"), QStringLiteral("ADRESSE:"), QStringLiteral("Text2"), QStringLiteral("QUARTIER"), true},
        {QStringLiteral("Label3"), QStringLiteral("CODE POSTALE:"), QStringLiteral("Text3"), QStringLiteral("CPOSTALE"),
         false, true},
    };
    s.columns = {
        {QStringLiteral("ADRESSE"), QStringLiteral("QUARTIER")},
        {QStringLiteral("C P"), QStringLiteral("CPOSTALE")},
        {QStringLiteral("VILLE"), QStringLiteral("PROVINCE")},
    };
    s.gridCaption = QStringLiteral("ADRESSES INTRA VILLES");
    s.initialQuery = adrq::kInitial;
    s.showAllQuery = adrq::kShowAll;
    s.handlingFrame = QStringLiteral("Frame4");
    s.handlingCaption = QStringLiteral("MANIPULATION");
    s.unlock = {QStringLiteral("Command1"), QStringLiteral("&Modifier"), QStringLiteral("MODIFIER AJOUTER SUPPRIMER")};
    s.count = {QStringLiteral("Command3"), QStringLiteral("NOMBRE ENREGISTREMENT"), {}};
    s.showAll = {QStringLiteral("Command10"), QStringLiteral("AFFICHER TOUT"), {}};
    s.modificationFrame = QStringLiteral("Frame2");
    s.modificationCaption = QStringLiteral("MODIFICATION");
    s.addNew = {QStringLiteral("Command4"), QStringLiteral("&Nouveau"), {}};
    s.save = {QStringLiteral("Command5"), QStringLiteral("ENREGISTRER"), {}};
    s.remove = {QStringLiteral("Command6"), QStringLiteral("&Supprimer"), {}};
    s.searchFrame = QStringLiteral("Frame3");
    s.silverFrames = false;
    s.fieldPointSize = 11.25;
    s.largePointSize = 14.25;
    s.labelPointSize = 11.25;
    return s;
}

AdrWindow::AdrWindow(QWidget *parent)
    : RecordWindow(spec(), parent)
{
    setObjectName(QStringLiteral("adr"));
    QGroupBox *frame = searchFrame();
    auto *column = new QVBoxLayout(frame);
    column->setContentsMargins(10, 16, 10, 12);
    column->setSpacing(12);
    m_cities = new PickCombo(QStringLiteral("Combo1"), kCitiesCaption, QStringLiteral("CHOISIR LA VILLE"), frame);
    look::setFont(m_cities, 9.75);
    column->addWidget(m_cities);
    connectPick(m_cities, adrq::kCityPick, kCitiesCaption);

    QPushButton *byStreet =
        makeSearchButton(QStringLiteral("Command8"), QStringLiteral("RECHERCHE PAR ADRESSE"), QStringLiteral("SAISIR L'ADRESSE "));
    QPushButton *byCode =
        makeSearchButton(QStringLiteral("Command9"), QStringLiteral("RECHERCHE PAR CODE"), QStringLiteral("SAISIR LE CODE POSTALE"));
    column->addWidget(byStreet);
    column->addWidget(byCode);
    column->addStretch(1);
    connect(byStreet, &QPushButton::clicked, this, [this] { searchByInput(adrq::kStreetPrompt, adrq::kStreetSearch); });
    connect(byCode, &QPushButton::clicked, this, [this] { searchByInput(adrq::kCodePrompt, adrq::kCodeSearch); });
}

void AdrWindow::loadPickLists()
{
    // The caption "VILLES" stays: loading does not set the text.
    fillPickList(m_cities, adrq::kCityList, QStringLiteral("PROVINCE"));
}

} // namespace tavro
