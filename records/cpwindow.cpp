#include "records/cpwindow.h"

#include "binding/textentry.h"
#include "records/cpqueries.h"
#include "records/pickcombo.h"
#include "records/recordlook.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tavro {

namespace {

const QString kRegionsCaption = QStringLiteral("DRECTIONS ZOLT");
const QString kProvincesCaption = QStringLiteral("ZOLT PRINCIPALE");
const QString kAgencesCaption = QStringLiteral("AGENCES ZOLT");

} // namespace

RecordWindowSpec CpWindow::spec()
{
    RecordWindowSpec s;
    s.titleName = QStringLiteral("Label6");
    s.titleText = QStringLiteral("CODE POSTALE ZOLT / KIRB");
    s.displayFrame = QStringLiteral("Frame4");
    s.fields = {
        {QStringLiteral("Label1"), QStringLiteral("AGENCE:"), QStringLiteral("Text1"), QStringLiteral("AGENCE"), true},
        {QStringLiteral("Label2"), QStringLiteral("CODE POSTALE:"), QStringLiteral("Text2"), QStringLiteral("CPOSTALE"), false,
         true},
        {QStringLiteral("Label3"), QStringLiteral("ZOLT PAL:"), QStringLiteral("Text3"), QStringLiteral("PROVINCE")},
        {QStringLiteral("Label4"), QStringLiteral("DR ZOLT:"), QStringLiteral("Text4"), QStringLiteral("REGION")},
        {QStringLiteral("Label5"), QStringLiteral("TEL:"), QStringLiteral("Text5"), QStringLiteral("TEL")},
    };
    s.columns = {
        {QStringLiteral("AGENCES ZOLT/KIRB"), QStringLiteral("AGENCE")},
        {QStringLiteral("CP"), QStringLiteral("CPOSTALE")},
        {QStringLiteral("ZOLT PAL"), QStringLiteral("PROVINCE")},
        {QStringLiteral("DR KIRB"), QStringLiteral("REGION")},
        {QStringLiteral("TEL"), QStringLiteral("TEL")},
    };
    s.initialQuery = cpq::kInitial;
    s.showAllQuery = cpq::kShowAll;
    s.handlingFrame = QStringLiteral("Frame3");
    s.handlingCaption = QStringLiteral("Manipulation");
    s.unlock = {QStringLiteral("Command2"), QStringLiteral("&Modifier"), {}};
    s.count = {QStringLiteral("Command10"), QStringLiteral("NOMBRE AGENCES"), QStringLiteral("CLIQUER POUR VOIR LE NOMBRE")};
    s.showAll = {QStringLiteral("Command11"), QStringLiteral("AFFICHER TOUT"),
                 QStringLiteral("CLIQUER POUR AFFICHER TOUS LES AGENCES")};
    s.modificationFrame = QStringLiteral("Frame2");
    s.modificationCaption = QStringLiteral("Modification");
    s.addNew = {QStringLiteral("Command5"), QStringLiteral("&Nouveau"), {}};
    s.save = {QStringLiteral("Command6"), QStringLiteral("ENREGISTRER"), {}};
    s.remove = {QStringLiteral("Command7"), QStringLiteral("&Supprimer"), {}};
    s.searchFrame = QStringLiteral("Frame5");
    s.silverFrames = true;
    return s;
}

CpWindow::CpWindow(QWidget *parent)
    : RecordWindow(spec(), parent)
{
    setObjectName(QStringLiteral("cp"));
    QGroupBox *frame = searchFrame();
    auto *grid = new QGridLayout(frame);
    grid->setContentsMargins(10, 16, 10, 12);
    grid->setVerticalSpacing(12);

    m_regions = makePickList({QStringLiteral("Combo1"), kRegionsCaption, QStringLiteral("RECHERCHER DRECTIONS ZOLT")});
    m_provinces = makePickList({QStringLiteral("Combo2"), kProvincesCaption, QStringLiteral("RECHERCHER ZOLT PAL")});
    m_agences = makePickList({QStringLiteral("Combo3"), kAgencesCaption, QStringLiteral("RECHERCHER AGENCES ZOLT")});
    int row = 0;
    for (PickCombo *combo : {m_regions, m_provinces, m_agences})
        grid->addWidget(combo, row++, 0, 1, 3);
    connectPick(m_regions, cpq::kRegionPick, QStringLiteral("DR ZOLT"));
    connectPick(m_provinces, cpq::kProvincePick, QStringLiteral("ZOLT PAL"));
    connectPick(m_agences, cpq::kAgencePick, QStringLiteral("AGENCES ZOLT"));

    auto searchRow = [&](const char *option, const QString &caption, const QString &optionTip, const char *entry,
                         const QString &entryTip, const char *go, const QString &goTip, QRadioButton *&optionOut,
                         QLineEdit *&entryOut, QPushButton *&goOut) {
        optionOut = new QRadioButton(caption, frame);
        optionOut->setObjectName(QLatin1String(option));
        optionOut->setToolTip(optionTip);
        look::paintOnSilver(optionOut, smallPointSize());
        entryOut = new QLineEdit(frame);
        entryOut->setObjectName(QLatin1String(entry));
        entryOut->setToolTip(entryTip);
        look::paintSearchEntry(entryOut);
        entryOut->setValidator(new PlainTextValidator(entryOut));
        entryOut->hide();
        goOut = makeSearchButton(QLatin1String(go), QStringLiteral("->"), goTip);
        goOut->setFixedWidth(34);
        goOut->hide();
        // The frame keeps its width whichever search is shown; an entry
        // takes the room beside its option, at least a postal code's.
        entryOut->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        entryOut->setMinimumWidth(entryOut->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
        for (QWidget *w : {static_cast<QWidget *>(entryOut), static_cast<QWidget *>(goOut)}) {
            QSizePolicy policy = w->sizePolicy();
            policy.setRetainSizeWhenHidden(true);
            w->setSizePolicy(policy);
        }
        grid->addWidget(optionOut, row, 0);
        grid->addWidget(entryOut, row, 1);
        grid->addWidget(goOut, row, 2);
        ++row;
    };
    searchRow("Option4", QStringLiteral("CODE POSTALE"), QStringLiteral("TROUVEZ UN CODE POSTALE"), "Text9",
              QStringLiteral("ENTRER LE  CODE POSTALE"), "Command22", QStringLiteral("RECHERCHER CODE POSTALE"), m_codeOption,
              m_codeEntry, m_codeGo);
    searchRow("Option2", QStringLiteral("ZOLT TEL"), QStringLiteral("RECHERCHER TEL AGENCE"), "Text7",
              QStringLiteral("ENTRER LE NOM D' AGENCE"), "Command3", QStringLiteral("RECHERCHER TEL AGENCE"), m_nameOption,
              m_nameEntry, m_nameGo);
    m_codeEntry->setMaxLength(5);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);

    connect(m_codeOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            choosePostalCodeSearch();
    });
    connect(m_nameOption, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            chooseNameSearch();
    });
    connect(m_codeGo, &QPushButton::clicked, this, &CpWindow::searchPostalCode);
    connect(m_nameGo, &QPushButton::clicked, this, &CpWindow::searchNameWithTel);
}

void CpWindow::loadPickLists()
{
    fillPickList(m_regions, cpq::kRegionList, QStringLiteral("REGION"));
    fillPickList(m_provinces, cpq::kProvinceList, QStringLiteral("PROVINCE"));
    fillPickList(m_agences, cpq::kAgenceList, QStringLiteral("AGENCE"));
    m_agences->setEditText(kAgencesCaption);
}

void CpWindow::choosePostalCodeSearch()
{
    m_codeEntry->show();
    m_codeGo->show();
    m_codeEntry->setFocus();
    m_nameEntry->hide();
    m_nameGo->hide();
}

void CpWindow::chooseNameSearch()
{
    m_nameEntry->show();
    m_nameGo->show();
    m_nameEntry->setFocus();
    m_codeEntry->hide();
    m_codeGo->hide();
}

void CpWindow::searchPostalCode()
{
    if (m_codeOption->isChecked())
        runQuery(cpq::kPostalCodeSearch.with(m_codeEntry->text()));
    m_codeEntry->setFocus();
    m_codeEntry->clear();
}

void CpWindow::searchNameWithTel()
{
    if (m_nameOption->isChecked())
        runQuery(cpq::kNameWithTelSearch.with(m_nameEntry->text()));
    m_nameEntry->setFocus();
    m_nameEntry->clear();
}

} // namespace tavro
