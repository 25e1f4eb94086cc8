#include "simulator/simuwindow.h"

#include "kit/bannertext.h"
#include "kit/childwindow.h"
#include "kit/clockbanner.h"
#include "kit/designfont.h"
#include "kit/dialogs.h"
#include "kit/steps.h"
#include "simulator/conversions.h"
#include "simulator/drawings.h"
#include "simulator/simuwidgets.h"
#include "simulator/tableprinter.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <exception>
#include <functional>
#include <initializer_list>

namespace tavro::simu {

namespace {

const QColor kBackground(64, 64, 64);
// The duration and the rate take at most 4 characters.
constexpr int kDecimalFieldLength = 4;

// Continue-on-error: a step that fails is skipped, the next one runs.
void runSteps(std::initializer_list<std::function<void()>> steps)
{
    for (const auto &step : steps)
        runStep(step);
}

QLabel *label(const QString &name, const QString &caption, QWidget *parent)
{
    auto *l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

QLineEdit *field(const QString &name, int maxLength, const QString &tip, QWidget *parent)
{
    auto *f = new QLineEdit(parent);
    f->setObjectName(name);
    if (maxLength > 0)
        f->setMaxLength(maxLength);
    f->setToolTip(tip);
    f->setMinimumWidth(150);
    return f;
}

QPushButton *button(const QString &name, const QString &caption, const QString &tip, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setMinimumHeight(30);
    return b;
}

QGroupBox *frame(const QString &name, const QString &caption, QWidget *parent)
{
    auto *g = new QGroupBox(caption, parent);
    g->setObjectName(name);
    return g;
}

// A frame's rows: caption, value, unit, with the value column stretching.
struct Row {
    const char *captionName;
    const char *caption;
    QWidget *value;
    const char *unitName;
    const char *unit;
};

void fillRows(QGroupBox *frame, std::initializer_list<Row> rows)
{
    auto *grid = new QGridLayout(frame);
    int r = 0;
    for (const Row &row : rows) {
        grid->addWidget(label(QLatin1String(row.captionName), QString::fromUtf8(row.caption), frame), r, 0);
        grid->addWidget(row.value, r, 1);
        grid->addWidget(label(QLatin1String(row.unitName), QString::fromUtf8(row.unit), frame), r, 2);
        ++r;
    }
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(10);
}

} // namespace

SimuWindow::SimuWindow(const QLocale &locale, QWidget *parent)
    : QWidget(parent)
    , m_locale(locale)
{
    setObjectName(QStringLiteral("simu"));

    m_title = label(QStringLiteral("Label5"), QStringLiteral("Simulateur d'emprunts"), this);
    m_picture1 = label(QStringLiteral("Picture1"), QString(), this);
    m_picture2 = label(QStringLiteral("Picture2"), QString(), this);
    m_close = button(QStringLiteral("cmdfermer"), QStringLiteral("&Fermer"), QStringLiteral("SORTIR"), this);

    m_table = new QListWidget(this);
    m_table->setObjectName(QStringLiteral("List_Amortization"));
    // Every line is one line of the same font, and the list scrolls by
    // whole lines.
    m_table->setUniformItemSizes(true);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_table->setItemDelegate(new TabStopDelegate(m_table));
    m_table->addItem(kTableTitle);
    m_table->setVisible(false);

    m_data = frame(QStringLiteral("Frame1"), QStringLiteral("Données"), this);
    m_principal = field(QStringLiteral("Txt_Principal"), 0, QStringLiteral("Entrer le Montant du crédit"), m_data);
    m_years = field(QStringLiteral("Text1"), 0, QStringLiteral("Entrer la Durée Annuelle du crédit "), m_data);
    m_months = field(QStringLiteral("Txt_Num_payment"), 3, QString(), m_data);
    m_months->setEnabled(false);
    m_rate = field(QStringLiteral("Txt_Interest"), 0, QStringLiteral("Entrer le Taux dIntérêt "), m_data);

    m_calc = frame(QStringLiteral("Frame2"), QStringLiteral("Calcul"), this);
    m_calculate =
        button(QStringLiteral("Cmd_Calculate"), QStringLiteral("Calculer "), QStringLiteral("CALCULER LA MENSUALITE"), m_calc);
    m_reset = button(QStringLiteral("Command3"), QStringLiteral("Rétablir"), QStringLiteral("EFFACER "), m_calc);

    m_results = frame(QStringLiteral("Frame3"), QStringLiteral("Résultats"), this);
    m_payment = new ResultLabel(QStringLiteral("Lbl_Amtpayment"), m_locale, m_results);
    m_payment->setToolTip(QStringLiteral("MONTANT A PAYER "));
    m_interest = new ResultLabel(QStringLiteral("Label7"), m_locale, m_results);
    m_interest->setToolTip(QStringLiteral("INTERETS A PAYER"));
    m_interest->setEnabled(false);
    m_totalCost = new ResultLabel(QStringLiteral("Label18"), m_locale, m_results);
    m_totalCost->setToolTip(QStringLiteral("LE COUT TOTAL DU CREDIT"));
    m_totalCost->setEnabled(false);
    m_results->setVisible(false);

    m_printing = frame(QStringLiteral("Frame4"), QStringLiteral("Impression"), this);
    m_showTable = new QCheckBox(kTableTitle, m_printing);
    m_showTable->setObjectName(QStringLiteral("Check1"));
    m_showTable->setToolTip(QStringLiteral("VOIR TABLEAU D'AMORTISSEMENT"));
    m_print = button(QStringLiteral("Command1"), QStringLiteral("Imprimer"), QStringLiteral("IMPRIMER T.AM"), m_printing);
    m_print->setVisible(false);
    m_printing->setVisible(false);

    // Typed keys are filtered as they come; pasted or dropped text is
    // judged as the same characters typed, within the field's length.
    new KeyFilter(m_principal, principalKeyPasses);
    m_principalInput = new InputFilter(m_principal, principalKeyPasses, 0);
    for (QLineEdit *decimal : {m_years, m_rate}) {
        new KeyFilter(decimal, decimalKeyPasses);
        new InputFilter(decimal, decimalKeyPasses, kDecimalFieldLength);
    }
    m_principal->installEventFilter(this);

    buildLayout();
    connectHandlers();

    setTabOrder(m_principal, m_years);
    setTabOrder(m_years, m_rate);
    setTabOrder(m_rate, m_calculate);
    setTabOrder(m_calculate, m_showTable);
    setTabOrder(m_showTable, m_print);
    setTabOrder(m_print, m_reset);
    setTabOrder(m_reset, m_table);
    setTabOrder(m_table, m_close);
    setFocusProxy(m_principal);
    m_principal->setFocus();

    new ClockBanner(this, QStringLiteral("Label19"), kSimulatorBannerOpening, 1560, 240);
}

void SimuWindow::buildLayout()
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    pal.setColor(QPalette::WindowText, Qt::white);
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(190, 190, 190));
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::Disabled, QPalette::Base, QColor(225, 225, 225));
    pal.setColor(QPalette::Disabled, QPalette::Text, QColor(60, 60, 60));
    pal.setColor(QPalette::Button, QColor(225, 222, 215));
    pal.setColor(QPalette::ButtonText, Qt::black);
    setPalette(pal);
    setFont(designFont(QStringLiteral("Arial"), 9.75, true));
    m_title->setFont(designFont(QStringLiteral("Arial"), 20, true));
    m_title->setAlignment(Qt::AlignCenter);
    m_picture1->setPixmap(coinsPicture(72));
    m_picture2->setPixmap(calculatorPicture(72));
    // The same close picture as the record windows.
    m_close->setIcon(QIcon(QStringLiteral(":/pictures/close.png")));
    m_close->setIconSize(QSize(24, 24));

    // Results read like figures on paper: dark on white, sunken.
    QPalette resultPal = pal;
    resultPal.setColor(QPalette::Window, Qt::white);
    resultPal.setColor(QPalette::WindowText, Qt::black);
    resultPal.setColor(QPalette::Disabled, QPalette::Window, Qt::white);
    resultPal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(110, 110, 110));
    for (ResultLabel *result : {m_payment, m_interest, m_totalCost}) {
        result->setPalette(resultPal);
        result->setAutoFillBackground(true);
        result->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        result->setMinimumSize(150, 26);
    }

    fillRows(m_data, {{"Label1", "Mnt du crédit :", m_principal, "Label9", "DH"},
                      {"Label8", "Durée en Année :", m_years, "Label10", "ANS"},
                      {"Label2", "Durée en mois :", m_months, "Label11", "MOIS"},
                      {"Label3", "Taux d'Intéret :", m_rate, "Label12", "%"}});

    auto *calcRow = new QHBoxLayout(m_calc);
    calcRow->addWidget(m_calculate);
    calcRow->addWidget(m_reset);

    fillRows(m_results, {{"Label4", "Mensualité :", m_payment, "Label13", "DH"},
                         {"Label6", " Intérêts :", m_interest, "Label14", "DH"},
                         {"Label16", "Coût Total ", m_totalCost, "Label17", "DH"}});

    auto *printRow = new QHBoxLayout(m_printing);
    printRow->addWidget(m_showTable);
    printRow->addStretch();
    printRow->addWidget(m_print);

    auto *left = new QVBoxLayout;
    left->setSpacing(12);
    for (QWidget *w : {static_cast<QWidget *>(m_data), static_cast<QWidget *>(m_calc), static_cast<QWidget *>(m_results),
                       static_cast<QWidget *>(m_printing)})
        left->addWidget(w);
    left->addStretch();
    left->addWidget(m_close, 0, Qt::AlignLeft);

    auto *leftPanel = new QWidget(this);
    leftPanel->setLayout(left);
    leftPanel->setFixedWidth(440);
    left->setContentsMargins(0, 0, 0, 0);

    auto *header = new QHBoxLayout;
    header->addWidget(m_picture1);
    header->addWidget(m_title, 1);
    header->addWidget(m_picture2);

    // The table is as wide as its rule line; a wide screen keeps the
    // window's grey around it rather than white space inside it.
    const qreal rule = QFontMetricsF(m_table->font()).horizontalAdvance(ruleLine());
    m_table->setFixedWidth(int(rule) + 2 * 6 + m_table->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8);
    // The inputs stay where they are when the box shows or hides the table.
    QSizePolicy keepPlace = m_table->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_table->setSizePolicy(keepPlace);

    auto *body = new QHBoxLayout;
    body->setSpacing(16);
    body->addStretch(1);
    body->addWidget(leftPanel);
    body->addWidget(m_table);
    body->addStretch(1);

    // The clock banner keeps its own place above the layout.
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(16, 48, 16, 12);
    root->addLayout(header);
    root->addLayout(body, 1);
    setMinimumSize(900, 560);
}

void SimuWindow::connectHandlers()
{
    connect(m_years, &QLineEdit::textChanged, this, &SimuWindow::durationChanged);
    connect(m_calculate, &QPushButton::clicked, this, &SimuWindow::calculateClicked);
    connect(m_showTable, &QCheckBox::toggled, this, &SimuWindow::tableSwitched);
    connect(m_print, &QPushButton::clicked, this, &SimuWindow::printClicked);
    connect(m_reset, &QPushButton::clicked, this, &SimuWindow::resetClicked);
    connect(m_close, &QPushButton::clicked, this, &SimuWindow::closeClicked);
}

bool SimuWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_principal && event->type() == QEvent::FocusOut && focusMovedWithin(static_cast<QFocusEvent *>(event)))
        principalLeft();
    return QWidget::eventFilter(watched, event);
}

bool SimuWindow::focusMovedWithin(const QFocusEvent *event) const
{
    // The amount is left only for another control of this window. Another
    // program taking over, a menu or a context menu opening leave it as
    // typed, cursor included, so that digits typed on coming back land
    // where the clerk expects them; the focus has already moved on when
    // the field hears of it.
    switch (event->reason()) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason: {
        const QWidget *next = QApplication::focusWidget();
        return next && next != m_principal && isAncestorOf(next);
    }
    default:
        return false;
    }
}

void SimuWindow::durationChanged()
{
    const QString months = monthsForDuration(m_years->text(), m_locale);
    if (months.isNull()) {
        inform(this, kDurationTooLongMessage);
        // Emptying the field runs this rule again, which writes "0".
        m_years->setText(QString());
        m_years->setFocus();
        return;
    }
    m_months->setText(months); // the field keeps its first 3 characters
}

void SimuWindow::principalLeft()
{
    if (const auto text = reformat(m_principal->text(), kPrincipalPattern, m_locale))
        m_principalInput->write(*text);
}

void SimuWindow::calculateClicked()
{
    const LoanInput input{m_principal->text(), m_years->text(), m_months->text(), m_rate->text(), m_interest->text()};
    const LoanResult result = calculate(LoanState::process(), input, m_locale);
    switch (result.outcome) {
    case Outcome::Done:
        showResult(result);
        break;
    case Outcome::Incomplete:
        inform(this, kIncompleteMessage);
        m_principal->setFocus();
        break;
    case Outcome::BadPrincipal:
        inform(this, kBadPrincipalMessage);
        m_principal->setFocus();
        break;
    case Outcome::NegativePrincipal:
        inform(this, kNegativePrincipalMessage);
        m_principal->setFocus();
        break;
    case Outcome::BadMonths:
        inform(this, kBadMonthsMessage);
        m_years->setFocus();
        break;
    case Outcome::NegativeRate:
        inform(this, kNegativeRateMessage);
        m_rate->setFocus();
        break;
    }
}

void SimuWindow::tableSwitched(bool checked)
{
    m_table->setVisible(checked);
    m_print->setVisible(checked);
}

void SimuWindow::printClicked()
{
    QStringList lines;
    for (int i = 0; i < m_table->count(); ++i)
        lines << m_table->item(i)->text();
    TablePrinter printer(m_table->font());
    reportFailure(this, printLines(printer, lines), MsgIcon::Warning);
}

void SimuWindow::resetClicked()
{
    runSteps({
        [this] {
            m_principal->setText(QString());
            m_years->setText(QString());
            m_months->setText(QString());
            m_rate->setText(QString());
        },
        [this] {
            m_payment->write(QString());
            m_interest->write(QString());
        },
        [this] {
            m_table->clear();
            m_table->repaint();
        },
        [] { LoanState::process().periodNo = 0; },
        [this] { m_principal->setFocus(); },
        [this] {
            m_results->setVisible(false);
            m_printing->setVisible(false);
        },
    });
}

void SimuWindow::closeClicked()
{
    closeChildWindow(this);
}

void SimuWindow::showResult(const LoanResult &result)
{
    m_results->setVisible(true);
    m_printing->setVisible(true);
    if (result.payment)
        m_payment->write(*result.payment);
    if (result.interest)
        m_interest->write(*result.interest);
    if (result.totalCost)
        m_totalCost->write(*result.totalCost);
    m_table->addItems(result.lines);
}

} // namespace tavro::simu
