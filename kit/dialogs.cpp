#include "kit/dialogs.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QTextStream>

namespace tavro {

namespace {

QMessageBox::StandardButton toQt(MsgButton b)
{
    switch (b) {
    case Ok:
        return QMessageBox::Ok;
    case Yes:
        return QMessageBox::Yes;
    case No:
        return QMessageBox::No;
    case Cancel:
        return QMessageBox::Cancel;
    case Retry:
        return QMessageBox::Retry;
    case Discard:
        return QMessageBox::Discard;
    case NoButton:
        break;
    }
    return QMessageBox::NoButton;
}

MsgButton fromQt(int b)
{
    switch (b) {
    case QMessageBox::Ok:
        return Ok;
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    case QMessageBox::Cancel:
        return Cancel;
    case QMessageBox::Retry:
        return Retry;
    case QMessageBox::Discard:
        return Discard;
    default:
        return NoButton;
    }
}

QMessageBox::Icon toQt(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Qt centres a box on the top-level window, which for a child window is the
// whole main window. Moved once the box has its final size, before it is
// on the screen.
template <typename Box>
class CentredBox final : public Box {
public:
    using Box::Box;

protected:
    void showEvent(QShowEvent *event) override
    {
        Box::showEvent(event);
        const QWidget *owner = this->parentWidget();
        if (event->spontaneous() || !owner || !owner->isVisible())
            return;
        QRect box(QPoint(), this->size());
        box.moveCenter(QRect(owner->mapToGlobal(QPoint(0, 0)), owner->size()).center());
        if (const QScreen *screen = owner->screen()) {
            const QRect room = screen->availableGeometry();
            box.moveLeft(qBound(room.left(), box.left(), qMax(room.left(), room.right() - box.width() + 1)));
            box.moveTop(qBound(room.top(), box.top(), qMax(room.top(), room.bottom() - box.height() + 1)));
        }
        this->move(box.topLeft());
    }
};

class RealDialogs final : public Dialogs {
public:
    MsgButton message(QWidget *parent, const MessageSpec &spec) override
    {
        CentredBox<QMessageBox> box(toQt(spec.icon), spec.title, spec.text, QMessageBox::NoButton, parent);
        QMessageBox::StandardButtons buttons;
        for (MsgButton b : kAllButtons) {
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
        CentredBox<QInputDialog> box(parent);
        box.setWindowTitle(title);
        box.setLabelText(prompt);
        box.setTextValue(QString());
        return box.exec() == QDialog::Accepted ? box.textValue() : QString();
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

namespace {

void logDetail(const Status &failure)
{
    if (!failure.detail().isEmpty())
        QTextStream(stderr) << applicationTitle() << " : " << failure.what() << '\n' << failure.detail() << '\n';
}

} // namespace

void reportFailure(QWidget *parent, const Status &failure, MsgIcon icon)
{
    if (failure.ok())
        return;
    logDetail(failure);
    Dialogs::current().message(parent, {.text = failure.message(), .icon = icon});
}

MsgButton askAfterFailure(QWidget *parent, const Status &failure, const QString &question, const QString &title,
                          MsgButtons buttons, MsgButton defaultButton)
{
    logDetail(failure);
    return Dialogs::current().message(parent, {.text = failure.message() + QStringLiteral("\n\n") + question,
                                               .title = title,
                                               .buttons = buttons,
                                               .icon = MsgIcon::Warning,
                                               .defaultButton = defaultButton});
}

MsgButton inform(QWidget *parent, const QString &text)
{
    return Dialogs::current().message(parent, {.text = text});
}

} // namespace tavro
