#include "records/telwindow.h"

#include "records/pickcombo.h"
#include "records/recordlook.h"
#include "records/telqueries.h"

#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavro {

namespace {

const QString kAgencesCaption = QStringLiteral("AGENCES ZOLT");

} // namespace

RecordWindowSpec TelWindow::spec()
{
    RecordWindowSpec s;
    s.titleName = QStringLiteral("Label9");
    s.titleText = QStringLiteral("TELEPHONES AGENCE ZOLT/KIRB");
    s.displayFrame = QStringLiteral("Frame1");
    s.fields = {
        {QStringLiteral("Label1"), QStringLiteral("AGENCE:"), QStringLiteral("Text1"), QStringLiteral("AGENCE"), true},
        {QStringLiteral("Label5"), QStringLiteral("TEL:"), QStringLiteral("Text5"), QStringLiteral("TEL")},
        {QStringLiteral("Label3"), QStringLiteral("ZOLT PAL:"), QStringLiteral("Text3"), QStringLiteral("PROVINCE")},
        {QStringLiteral("Label4"), QStringLiteral("DR ZOLT:"), QStringLiteral("Text4"), QStringLiteral("REGION")},
    };
    s.columns = {
        {QStringLiteral("AGENCE"), QStringLiteral("AGENCE")},    {QStringLiteral("TEL"), QStringLiteral("TEL")},
        {QStringLiteral("ZOLT PAL"), QStringLiteral("PROVINCE")}, {QStringLiteral("DR ZOLT"), QStringLiteral("REGION")},
        {QStringLiteral("ADRESSE"), QStringLiteral("ADRESSE")},  {QStringLiteral("FAX"), QStringLiteral("FAX")},
    };
    s.gridCaption = QStringLiteral("TELEPHONES AGENCE ZOLT/KIRB");
    s.initialQuery = telq::kInitial;
    s.showAllQuery = telq::kShowAll;
    s.handlingFrame = QStringLiteral("Frame4");
    s.handlingCaption = QStringLiteral("MANIPULATION");
    s.unlock = {QStringLiteral("Command1"), QStringLiteral("&Modifier"), {}};
    s.count = {QStringLiteral("Command3"), QStringLiteral("NOMBRE AGENCES"), {}};
    s.showAll = {QStringLiteral("Command10"), QStringLiteral("AFFICHER TOUT"), {}};
    s.modificationFrame = QStringLiteral("Frame2");
    s.modificationCaption = QStringLiteral("MODIFICATION");
    s.addNew = {QStringLiteral("Command4"), QStringLiteral("&Nouveau"), {}};
    s.save = {QStringLiteral("Command5"), QStringLiteral("ENREGISTRER"), {}};
    s.remove = {QStringLiteral("Command6"), QStringLiteral("&Supprimer"), {}};
    s.searchFrame = QStringLiteral("Frame3");
    s.silverFrames = true;
    return s;
}

TelWindow::TelWindow(QWidget *parent)
    : RecordWindow(spec(), parent)
{
    setObjectName(QStringLiteral("tel"));
    QGroupBox *frame = searchFrame();
    auto *column = new QVBoxLayout(frame);
    column->setContentsMargins(10, 16, 10, 12);
    column->setSpacing(12);
    m_agences = new PickCombo(QStringLiteral("Combo1"), kAgencesCaption, {}, frame);
    look::setFont(m_agences, 8.25);
    column->addWidget(m_agences);
    connectPick(m_agences, telq::kAgencePick, kAgencesCaption);

    QPushButton *byName = makeSearchButton(QStringLiteral("Command9"), QStringLiteral("RECHERCHE PAR AGENCE"), {});
    QPushButton *byProvince =
        makeSearchButton(QStringLiteral("Command8"), QStringLiteral("RECHERCHE PAR ZOLT PAL"), {});
    column->addWidget(byName);
    column->addWidget(byProvince);
    column->addStretch(1);
    connect(byName, &QPushButton::clicked, this, [this] { searchByInput(telq::kAgencePrompt, telq::kAgenceSearch); });
    connect(byProvince, &QPushButton::clicked, this,
            [this] { searchByInput(telq::kProvincePrompt, telq::kProvinceSearch); });
}

void TelWindow::loadPickLists()
{
    fillPickList(m_agences, telq::kAgenceList, QStringLiteral("AGENCE"));
    m_agences->setEditText(kAgencesCaption);
}

} // namespace tavro
