#include "support/recordui.h"

#include "binding/namefield.h"

#include <QApplication>
#include <QHeaderView>

namespace tavro::test {

QString containerOf(QWidget *w)
{
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<QGroupBox *>(p) || qobject_cast<RecordWindow *>(p))
            return p->objectName();
    }
    return {};
}

QString shownText(QWidget *w)
{
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentText();
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    if (auto *e = qobject_cast<NameField *>(w))
        return e->value();
    return {};
}

std::unique_ptr<RecordWindow> makeRecordWindow(const QString &kind)
{
    std::unique_ptr<RecordWindow> w;
    if (kind == QLatin1String("cp"))
        w = std::make_unique<CpWindow>();
    else if (kind == QLatin1String("tel"))
        w = std::make_unique<TelWindow>();
    else
        w = std::make_unique<AdrWindow>();
    w->load();
    return w;
}

RecordWindowSpec specOf(const QString &kind)
{
    if (kind == QLatin1String("cp"))
        return CpWindow::spec();
    if (kind == QLatin1String("tel"))
        return TelWindow::spec();
    return AdrWindow::spec();
}

RecordSource *sourceOf(QWidget *window)
{
    return child<DataControl>(window, QStringLiteral("Adodc1"))->source();
}

QTableView *gridOf(QWidget *window)
{
    return child<DataGrid>(window, QStringLiteral("DataGrid1"))->view();
}

QStringList gridCaptions(QWidget *window)
{
    const QAbstractItemModel *m = gridOf(window)->model();
    QStringList out;
    for (int c = 0; c < m->columnCount(); ++c)
        out << m->headerData(c, Qt::Horizontal).toString();
    return out;
}

QStringList gridColumn(QWidget *window, const QString &caption)
{
    const QAbstractItemModel *m = gridOf(window)->model();
    const int c = gridCaptions(window).indexOf(caption);
    if (c < 0)
        qFatal("no grid column %s", qPrintable(caption));
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, c).data().toString();
    return out;
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

QStringList comboItems(QComboBox *combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

void pickFromList(QComboBox *combo, int index)
{
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    view->setCurrentIndex(combo->model()->index(index, combo->modelColumn()));
    QTest::keyClick(view, Qt::Key_Return);
}

void clickGridRow(QWidget *window, int row)
{
    QTableView *view = gridOf(window);
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

void typeText(QWidget *field, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(field, char(c.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Press, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

void typeInto(QWidget *field, const QString &text)
{
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    typeText(field, text);
}

} // namespace tavro::test
