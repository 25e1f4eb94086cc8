#pragma once

// Helpers for driving the record windows as a clerk would: by objectName,
// through the grid the clerk reads, and through the drop-down lists.

#include "data/datacontrol.h"
#include "data/recordsource.h"
#include "records/adrwindow.h"
#include "records/cpwindow.h"
#include "records/telwindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTableView>
#include <QTest>

#include <memory>

namespace tavro::test {

template <typename T>
T *child(QWidget *window, const QString &name)
{
    T *w = window->findChild<T *>(name);
    if (!w)
        qFatal("no %s named %s in %s", T::staticMetaObject.className(), qPrintable(name),
               qPrintable(window->objectName()));
    return w;
}

inline std::unique_ptr<RecordWindow> makeRecordWindow(const QString &kind)
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

inline RecordWindowSpec specOf(const QString &kind)
{
    if (kind == QLatin1String("cp"))
        return CpWindow::spec();
    if (kind == QLatin1String("tel"))
        return TelWindow::spec();
    return AdrWindow::spec();
}

inline RecordSource *sourceOf(QWidget *window)
{
    return child<DataControl>(window, QStringLiteral("Adodc1"))->source();
}

inline QTableView *gridOf(QWidget *window)
{
    return child<DataGrid>(window, QStringLiteral("DataGrid1"))->view();
}

inline QStringList gridCaptions(QWidget *window)
{
    const QAbstractItemModel *m = gridOf(window)->model();
    QStringList out;
    for (int c = 0; c < m->columnCount(); ++c)
        out << m->headerData(c, Qt::Horizontal).toString();
    return out;
}

// The texts of one grid column, as the grid shows them, top to bottom.
inline QStringList gridColumn(QWidget *window, const QString &caption)
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

inline QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

inline QStringList comboItems(QComboBox *combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

// Opens the drop-down list and picks the row with the keyboard, as a clerk
// does with the arrow keys and Enter.
inline void pickFromList(QComboBox *combo, int index)
{
    combo->showPopup();
    QAbstractItemView *view = combo->view();
    view->setCurrentIndex(combo->model()->index(index, combo->modelColumn()));
    QTest::keyClick(view, Qt::Key_Return);
}

// Selects a row of the grid with the mouse.
inline void clickGridRow(QWidget *window, int row)
{
    QTableView *view = gridOf(window);
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

// Replaces a field's text by typing, as a clerk does.
inline void typeInto(QWidget *field, const QString &text)
{
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

} // namespace tavro::test
