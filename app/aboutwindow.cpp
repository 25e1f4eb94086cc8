#include "app/aboutwindow.h"

#include "app/stafflist.h"
#include "kit/designfont.h"
#include "kit/dialogs.h"
#include "kit/layoutunits.h"

#include <QEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tavro {

namespace {

const QString kStaffTitle = QStringLiteral("KIRB TALMIRT");
const QString kOldDialogFont = QStringLiteral("MS Sans Serif");
const QString kArial = QStringLiteral("Arial");

// A caption too long for one line breaks between words, as the users have
// always seen this button, instead of being cut at both ends.
class WrappingButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString caption = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this);
        painter.drawItemText(rect().adjusted(margin, 0, -margin, 0), Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(),
                             caption, QPalette::ButtonText);
    }
};

struct LabelSpec {
    const char *name;
    const char *text;
    const QString &family;
    qreal pointSize;
    Qt::Alignment alignment;
    bool sizedToText;
    int left, top, width, height; // twips
};

const LabelSpec kLabels[] = {
    {"lblProductName", "ZOLT", kOldDialogFont, 29.25, Qt::AlignLeft, true, 480, 2400, 1515, 720},
    {"lblCompanyProduct", "TAVRO APPLICATION", kOldDialogFont, 18, Qt::AlignLeft, true, 3360, 1680, 3915, 435},
    {"lblPlatform", "CODE POSTALE", kOldDialogFont, 13.5, Qt::AlignRight, true, 8880, 1080, 2385, 360},
    {"Label6", "TEL AGENCES", kOldDialogFont, 13.5, Qt::AlignRight, true, 9000, 1560, 2160, 360},
    {"Label7", "ADRESSES", kOldDialogFont, 13.5, Qt::AlignRight, true, 9240, 2040, 1650, 360},
    {"Label8", "SIMULATEUR", kOldDialogFont, 13.5, Qt::AlignRight, true, 9120, 2520, 1950, 360},
    {"Label1", "SALAM JE VOUS PRESENTE UN PETIT PROGRAMME QUI PERMET  UNE RECHERCHE AVANCEE ET RAPIDE, A SAVOIR :", kArial, 9.75,
     Qt::AlignLeft, false, 120, 3480, 11295, 255},
    {"Label2", "1) LE CODE POSTALE DES AGENCES ZOLT, OU KIRB, LES  AGENCES RATTACHEES OU BIEN LES DIRECTIONS ZOLT.", kArial, 9.75,
     Qt::AlignLeft, false, 120, 3960, 11295, 255},
    {"Label3", "2) LA RECHERCHE DU TELEPHONE DES AGENCES AINSI  LEURS ADRESSES.", kArial, 9.75, Qt::AlignLeft, false, 120, 4440,
     9135, 255},
    {"Label4", "3) LA RECHERCHE DES ADRESSES AVEC LE CODE POSTALE DES 24 GRANDES VILLES DU ROYAUME.", kArial, 9.75, Qt::AlignLeft,
     false, 120, 4920, 10095, 255},
    {"Label5", "4) ENFIN LE SIMULATEUUR DE CREDIT POUR CALCULER LA MENSUALITE AVEC UN TABLEAU D'AMORTISSEMENT.", kArial, 9.75,
     Qt::AlignLeft, false, 120, 5400, 11175, 255},
    {"lblWarning", "Cette application est dédie à tous les Postiers ZOLT et KIRB", kArial, 9, Qt::AlignLeft, false, 2280, 6120,
     5055, 255},
};

QLabel *makeLabel(const LabelSpec &spec, QWidget *parent)
{
    auto *label = new QLabel(QString::fromUtf8(spec.text), parent);
    label->setObjectName(QLatin1String(spec.name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(designFont(spec.family, spec.pointSize, true));
    label->setAlignment(spec.alignment | Qt::AlignVCenter);
    QRect r = twipsRect(spec.left, spec.top, spec.width, spec.height);
    const QSize needed = label->sizeHint();
    if (spec.sizedToText)
        r.setSize(needed);
    else if (needed.width() > r.width())
        r.setWidth(needed.width()); // the designed width was drawn for another face: never cut a text
    label->setGeometry(r);
    return label;
}

} // namespace

AboutWindow::AboutWindow(QWidget *parent)
    : QFrame(parent)
    , m_staffButton(new WrappingButton(QStringLiteral("PERSONNELS KIRB TALMIRT"), this))
{
    setObjectName(QStringLiteral("aprop"));
    setFrameShape(QFrame::NoFrame);
    setFixedSize(px(11730), px(6750));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);

    auto *logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("picLogo"));
    logo->setPixmap(QPixmap(QStringLiteral(":/pictures/logo.jpg")));
    logo->setAlignment(Qt::AlignCenter);
    logo->setGeometry(twipsRect(510, 855, 1215, 1425));

    for (const LabelSpec &spec : kLabels)
        makeLabel(spec, this);

    // The button keeps the ordinary button colours, not the frame's.
    m_staffButton->setObjectName(QStringLiteral("Command1"));
    m_staffButton->setPalette(QPalette());
    m_staffButton->setFont(designFont(kArial, 12, true));
    m_staffButton->setGeometry(twipsRect(8520, 5880, 2775, 615));
    m_staffButton->raise();
    connect(m_staffButton, &QPushButton::clicked, this, &AboutWindow::showStaff);
}

bool AboutWindow::event(QEvent *event)
{
    // Drawn for one size only: the child frame that takes this window in
    // offers minimise and close, no maximise that would leave grey margins.
    if (event->type() == QEvent::ParentChange) {
        if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget())) {
            frame->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                                  | Qt::WindowCloseButtonHint);
        }
    }
    return QFrame::event(event);
}

void AboutWindow::showStaff()
{
    // Each box waits for OK before the next one appears.
    const QStringList lines = staffLines();
    for (const QString &line : lines) {
        Dialogs::current().message(this, {.text = line, .title = kStaffTitle, .buttons = Ok, .icon = MsgIcon::None});
    }
}

} // namespace tavro
