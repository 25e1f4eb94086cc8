#pragma once

#include <QFont>
#include <QSize>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Colours and fonts of the record windows, as the counter staff know them.
namespace tavro::look {

void paintWindow(QWidget *window);
void paintTitle(QLabel *title);
// A message shown over the window for a while: black on yellow, framed.
void paintNotice(QLabel *notice, qreal pointSize);
// Silver working frames, or dark ones like the display frame; captions white.
void paintFrame(QGroupBox *frame, bool silver);
void paintBoundField(QWidget *field, qreal pointSize);
// The two search entries: blue on light grey.
void paintSearchEntry(QLineEdit *entry);
void paintButton(QPushButton *button, qreal pointSize, const QString &picture = {});
void paintGrid(QWidget *grid, qreal pointSize);
// Text drawn dark on a silver frame (option buttons).
void paintOnSilver(QWidget *widget, qreal pointSize);
void setFont(QWidget *widget, qreal pointSize, bool bold = true);
QFont font(qreal pointSize, bool bold = true);
QLabel *picture(QWidget *parent, const QString &name, const QString &resource, QSize size);

} // namespace tavro::look
