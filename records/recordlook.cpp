#include "records/recordlook.h"

#include "kit/designfont.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace tavro::look {

namespace {

const QColor kDarkGrey(64, 64, 64);
const QColor kSilver(192, 192, 192);
const QColor kLightGrey(224, 224, 224);
const QColor kWhite(255, 255, 255);
const QColor kBlue(0, 0, 255);
const QColor kYellow(255, 255, 0);

// setColor(role, colour) sets every colour group, so a disabled frame keeps
// showing its record in the colours the clerks read it in.
void setColours(QWidget *w, std::initializer_list<std::pair<QPalette::ColorRole, QColor>> colours)
{
    QPalette pal = w->palette();
    for (const auto &[role, colour] : colours)
        pal.setColor(role, colour);
    w->setPalette(pal);
}

} // namespace

QFont font(qreal pointSize, bool bold)
{
    return designFont(QStringLiteral("Arial"), pointSize, bold);
}

void setFont(QWidget *widget, qreal pointSize, bool bold)
{
    widget->setFont(font(pointSize, bold));
}

void paintWindow(QWidget *window)
{
    window->setAutoFillBackground(true);
    setColours(window, {{QPalette::Window, kDarkGrey}, {QPalette::WindowText, kWhite}});
    setFont(window, 9.75);
}

void paintNotice(QLabel *notice, qreal pointSize)
{
    setFont(notice, pointSize, true);
    notice->setAutoFillBackground(true);
    setColours(notice, {{QPalette::Window, kYellow}, {QPalette::WindowText, Qt::black}});
    notice->setFrameShape(QFrame::Box);
    notice->setLineWidth(2);
    notice->setMargin(12);
    notice->setAlignment(Qt::AlignCenter);
    notice->setWordWrap(true);
}

void paintTitle(QLabel *title)
{
    title->setAutoFillBackground(true);
    title->setAlignment(Qt::AlignCenter);
    title->setMargin(4);
    setColours(title, {{QPalette::Window, kYellow}, {QPalette::WindowText, kBlue}});
    setFont(title, 13.5);
    title->setMinimumWidth(420);
}

void paintFrame(QGroupBox *frame, bool silver)
{
    frame->setAutoFillBackground(true);
    setColours(frame, {{QPalette::Window, silver ? kSilver : kDarkGrey}, {QPalette::WindowText, kWhite}});
    setFont(frame, 9.75);
}

void paintBoundField(QWidget *field, qreal pointSize)
{
    setColours(field, {{QPalette::Base, kWhite}, {QPalette::Text, kBlue}});
    setFont(field, pointSize);
}

void paintSearchEntry(QLineEdit *entry)
{
    setColours(entry, {{QPalette::Base, kLightGrey}, {QPalette::Text, kBlue}});
    setFont(entry, 9.75);
}

void paintButton(QPushButton *button, qreal pointSize, const QString &picture)
{
    setFont(button, pointSize);
    setColours(button, {{QPalette::ButtonText, Qt::black}, {QPalette::WindowText, Qt::black}});
    if (!picture.isEmpty()) {
        button->setIcon(QIcon(picture));
        button->setIconSize({36, 36});
        button->setMinimumHeight(46);
    } else {
        button->setMinimumHeight(32);
    }
}

void paintGrid(QWidget *grid, qreal pointSize)
{
    setColours(grid, {{QPalette::Base, kWhite}, {QPalette::Text, Qt::black}, {QPalette::WindowText, kWhite}});
    setFont(grid, pointSize);
}

void paintOnSilver(QWidget *widget, qreal pointSize)
{
    setColours(widget, {{QPalette::WindowText, Qt::black}, {QPalette::ButtonText, Qt::black}});
    setFont(widget, pointSize);
}

QLabel *picture(QWidget *parent, const QString &name, const QString &resource, QSize size)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setFixedSize(size);
    label->setPixmap(QPixmap(resource)); // a missing picture shows nothing
    label->setScaledContents(true);
    return label;
}

} // namespace tavro::look
