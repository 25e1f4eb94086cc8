#include "kit/dialogs.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QTextStream>

namespace tavro {

namespace {

QMessageBox::StandardButton toQt(MsgButton b)
{
    switch (b) {
    case Ok: return QMessageBox::Ok;
    case Yes: return QMessageBox::Yes;
    case No: return QMessageBox::No;
    case Cancel: return QMessageBox::Cancel;
    case NoButton: break;
    }
    return QMessageBox::NoButton;
}

MsgButton fromQt(int b)
{
    switch (b) {
    case QMessageBox::Ok: return Ok;
    case QMessageBox::Yes: return Yes;
    case QMessageBox::No: return No;
    case QMessageBox::Cancel: return Cancel;
    default: return NoButton;
    }
}

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

class RealDialogs final : public Dialogs {
public:
    MsgButton message(QWidget *parent, const MessageSpec &spec) override
    {
        QMessageBox box(toQt(spec.icon), spec.title, spec.text, QMessageBox::NoButton, parent);
        QMessageBox::StandardButtons buttons;
        for (MsgButton b : {Ok, Yes, No, Cancel}) {
            if (spec.buttons.testFlag(b))
                buttons |= toQt(b);
        }
        box.setStandardButtons(buttons);
        if (spec.defaultButton != NoButton)
            box.setDefaultButton(toQt(spec.defaultButton));
        if (spec.rightToLeft)
            box.setLayoutDirection(Qt::RightToLeft);
        return fromQt(box.exec());
    }

    QString input(QWidget *parent, const QString &prompt, const QString &title) override
    {
        bool ok = false;
        const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, QString(), &ok);
        return ok ? text : QString();
    }
};

Dialogs *g_installed = nullptr;

} // namespace

QString applicationTitle()
{
    return QStringLiteral("TAVRO");
}

Dialogs &Dialogs::current()
{
    static RealDialogs real;
    return g_installed ? *g_installed : real;
}

void Dialogs::install(Dialogs *dialogs)
{
    g_installed = dialogs;
}

void reportFailure(QWidget *parent, const Status &failure, MsgIcon icon)
{
    if (failure.ok())
        return;
    if (!failure.detail().isEmpty())
        QTextStream(stderr) << applicationTitle() << " : " << failure.what() << '\n' << failure.detail() << '\n';
    Dialogs::current().message(parent, {.text = failure.message(), .icon = icon});
}

MsgButton inform(QWidget *parent, const QString &text)
{
    return Dialogs::current().message(parent, {.text = text});
}

} // namespace tavro
