#include "records/telwindow.h"

#include "records/pickcombo.h"
#include "records/telqueries.h"

namespace tavro {

namespace {

const QString kAgencesCaption = QStringLiteral("AGENCES ZOLT");

} // namespace

RecordWindowSpec TelWindow::spec()
{
    RecordWindowSpec s;
    s.titleName = QStringLiteral("Label9");
    s.titleText = QStringLiteral("TELEPHONES AGENCE ZOLT/KIRB");
    s.fields = {
        {QStringLiteral("Label1"), QStringLiteral("AGENCE:"), QStringLiteral("Text1"), QStringLiteral("AGENCE"), true},
        {QStringLiteral("Label5"), QStringLiteral("TEL:"), QStringLiteral("Text5"), QStringLiteral("TEL")},
        {QStringLiteral("Label3"), QStringLiteral("ZOLT PAL:"), QStringLiteral("Text3"), QStringLiteral("PROVINCE")},
        {QStringLiteral("Label4"), QStringLiteral("DR ZOLT:"), QStringLiteral("Text4"), QStringLiteral("REGION")},
    };
    s.columns = {
        {QStringLiteral("AGENCE"), QStringLiteral("AGENCE")},     {QStringLiteral("TEL"), QStringLiteral("TEL")},
        {QStringLiteral("ZOLT PAL"), QStringLiteral("PROVINCE")}, {QStringLiteral("DR ZOLT"), QStringLiteral("REGION")},
        {QStringLiteral("ADRESSE"), QStringLiteral("ADRESSE")},   {QStringLiteral("FAX"), QStringLiteral("FAX")},
    };
    s.gridCaption = QStringLiteral("TELEPHONES AGENCE ZOLT/KIRB");
    s.initialQuery = telq::kInitial;
    s.showAllQuery = telq::kShowAll;
    s.count.caption = QStringLiteral("NOMBRE AGENCES");
    s.silverFrames = true;
    return s;
}

TelWindow::TelWindow(QWidget *parent)
    : RecordWindow(spec(), parent)
{
    setObjectName(QStringLiteral("tel"));
    m_agences = buildListAndSearches(
        {QStringLiteral("Combo1"), kAgencesCaption, {}}, telq::kAgencePick,
        {{{QStringLiteral("Command9"), QStringLiteral("RECHERCHE PAR AGENCE"), {}}, telq::kAgencePrompt, &telq::kAgenceSearch},
         {{QStringLiteral("Command8"), QStringLiteral("RECHERCHE PAR ZOLT PAL"), {}},
          telq::kProvincePrompt,
          &telq::kProvinceSearch}});
}

void TelWindow::loadPickLists()
{
    fillPickList(m_agences, telq::kAgenceList, QStringLiteral("AGENCE"));
    m_agences->setEditText(kAgencesCaption);
}

} // namespace tavro
