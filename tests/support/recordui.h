#pragma once

// Helpers for driving the record windows as a clerk would: by objectName,
// through the grid the clerk reads, and through the drop-down lists.

#include "data/datacontrol.h"
#include "data/recordsource.h"
#include "records/adrwindow.h"
#include "records/cpwindow.h"
#include "records/pickcombo.h"
#include "records/telwindow.h"
#include "support/recordrows.h"
#include "support/scripteddialogs.h"
#include "support/testdb.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

// The nearest named frame or window holding a control.
inline QString containerOf(QWidget *w)
{
    for (QWidget *p = w->parentWidget(); p; p = p->parentWidget()) {
        if (qobject_cast<QGroupBox *>(p) || qobject_cast<RecordWindow *>(p))
            return p->objectName();
    }
    return {};
}

// The caption or text a control shows.
inline QString shownText(QWidget *w)
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
    return {};
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

// Types a text key by key; letters beyond ASCII (accents) arrive as the
// text of a key the keyboard map does not name, as a French keyboard sends them.
inline void typeText(QWidget *field, const QString &text)
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

// Replaces a field's text by typing, as a clerk does.
inline void typeInto(QWidget *field, const QString &text)
{
    field->setFocus();
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Delete);
    typeText(field, text);
}

// What every record-window test starts from: the invented rows in a real
// file made current, scripted boxes, and, when asked, one loaded window on
// screen at a counter's size.
struct RecordFixture {
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<ScriptedDialogs> dialogs;
    std::unique_ptr<RecordWindow> window;

    void setUp(const QString &kind = {})
    {
        db = std::make_unique<TestDatabase>();
        db->create();
        fillRecordRows(*db);
        db->makeCurrent();
        dialogs = std::make_unique<ScriptedDialogs>();
        if (!kind.isEmpty())
            window = show(kind);
    }

    void tearDown()
    {
        window.reset();
        dialogs.reset();
        db.reset();
    }

    static std::unique_ptr<RecordWindow> show(const QString &kind)
    {
        auto w = makeRecordWindow(kind);
        w->resize(1280, 760);
        w->show();
        QApplication::setActiveWindow(w.get());
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("the %s window did not become active", qPrintable(kind));
        return w;
    }
};

} // namespace tavro::test
