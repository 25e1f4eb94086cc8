#include "records/copybanner.h"

#include "data/database/localcopy.h"
#include "data/rows/recordsource.h"
#include "kit/dialogs.h"
#include "kit/steps.h"
#include "records/recordlook.h"

#include <QApplication>
#include <QEvent>

namespace tavro {

namespace {

const QString kReadOnly = QStringLiteral(" : consultation seulement");
const QString kServerBack =
    QStringLiteral("Le serveur répond de nouveau : les données du serveur reviennent à votre prochaine action.");

} // namespace

CopyBanner::CopyBanner(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("CopyBanner"));
    setAlignment(Qt::AlignCenter);
    setMargin(4);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(128, 0, 0));
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
    look::setFont(this, 9.75);
    hide();
}

void CopyBanner::watch(RecordSource *source, QWidget *window)
{
    m_source = source;
    m_window = window;
    connect(source, &RecordSource::refreshed, this, &CopyBanner::showOrigin);
    connect(&copyNotices(), &CopyNotices::serverAnswers, this, &CopyBanner::serverAnswers);
}

void CopyBanner::showOrigin()
{
    const ReadOrigin origin = m_source->readsFrom();
    if (origin.kind != ReadOrigin::Kind::Copy) {
        m_serverBack = false;
        hide();
        return;
    }
    if (!m_serverBack)
        setText(copyTakenText(origin.taken) + kReadOnly);
    show();
}

bool CopyBanner::refusesSaving()
{
    const ReadOrigin origin = m_source->readsFrom();
    if (origin.kind != ReadOrigin::Kind::Copy)
        return false;
    reportFailure(m_window, copyRefusal(origin.taken));
    return true;
}

void CopyBanner::serverAnswers()
{
    if (m_serverBack || m_source->readsFrom().kind != ReadOrigin::Kind::Copy)
        return;
    m_serverBack = true;
    setText(kServerBack);
    qApp->installEventFilter(this);
}

bool CopyBanner::eventFilter(QObject *watched, QEvent *event)
{
    // The clerk's next press of a key or a button in this window, before
    // it is handled: the rows come from the server from then on.
    const bool action = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (m_serverBack && action && widget && (widget == m_window || m_window->isAncestorOf(widget))) {
        m_serverBack = false;
        qApp->removeEventFilter(this);
        Status back;
        runStep([&] { back = m_source->readAgainFromServer(); });
        if (!back)
            reportFailure(m_window, back);
        showOrigin();
    }
    return QLabel::eventFilter(watched, event);
}

} // namespace tavro
