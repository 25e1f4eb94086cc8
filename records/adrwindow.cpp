#include "records/adrwindow.h"

#include "records/adrqueries.h"
#include "records/pickcombo.h"

namespace tavro {

namespace {

const QString kCitiesCaption = QStringLiteral("VILLES");

} // namespace

RecordWindowSpec AdrWindow::spec()
{
    RecordWindowSpec s;
    s.titleName = QStringLiteral("Label6");
    s.titleText = QStringLiteral("ADRESSE DES 24 GRANDES VILLES");
    s.fields = {
        {QStringLiteral("Label1"), QStringLiteral("VILLE:"), QStringLiteral("Text1"), QStringLiteral("PROVINCE")},
        {QStringLiteral("Label2"), QStringLiteral("ADRESSE:"), QStringLiteral("Text2"), QStringLiteral("QUARTIER"), true},
        {QStringLiteral("Label3"), QStringLiteral("CODE POSTALE:"), QStringLiteral("Text3"), QStringLiteral("CPOSTALE"), false,
         true},
    };
    s.columns = {
        {QStringLiteral("ADRESSE"), QStringLiteral("QUARTIER")},
        {QStringLiteral("C P"), QStringLiteral("CPOSTALE")},
        {QStringLiteral("VILLE"), QStringLiteral("PROVINCE")},
    };
    s.gridCaption = QStringLiteral("ADRESSES INTRA VILLES");
    s.initialQuery = adrq::kInitial;
    s.showAllQuery = adrq::kShowAll;
    s.unlock.toolTip = QStringLiteral("MODIFIER AJOUTER SUPPRIMER");
    s.count.caption = QStringLiteral("NOMBRE ENREGISTREMENT");
    s.silverFrames = false;
    s.fieldPointSize = 11.25;
    s.nameLines = 4; // the larger face needs a line more for the same street
    s.largePointSize = 14.25;
    s.labelPointSize = 11.25;
    s.smallPointSize = 9.75;
    return s;
}

AdrWindow::AdrWindow(QWidget *parent)
    : RecordWindow(spec(), parent)
{
    setObjectName(QStringLiteral("adr"));
    m_cities = buildListAndSearches(
        {QStringLiteral("Combo1"), kCitiesCaption, QStringLiteral("CHOISIR LA VILLE")}, adrq::kCityPick,
        {{{QStringLiteral("Command8"), QStringLiteral("RECHERCHE PAR ADRESSE"), QStringLiteral("SAISIR L'ADRESSE ")},
          adrq::kStreetPrompt,
          &adrq::kStreetSearch},
         {{QStringLiteral("Command9"), QStringLiteral("RECHERCHE PAR CODE"), QStringLiteral("SAISIR LE CODE POSTALE")},
          adrq::kCodePrompt,
          &adrq::kCodeSearch}});
}

void AdrWindow::loadPickLists()
{
    // The caption "VILLES" stays: loading does not set the text.
    fillPickList(m_cities, adrq::kCityList, QStringLiteral("PROVINCE"));
}

} // namespace tavro
