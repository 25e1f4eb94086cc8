#pragma once

// Helpers for driving the record windows as a clerk would: by objectName,
// through the grid the clerk reads, and through the drop-down lists.

#include "binding/datacontrol.h"
#include "data/rows/recordsource.h"
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
        qFatal("no %s named %s in %s", T::staticMetaObject.className(), qPrintable(name), qPrintable(window->objectName()));
    return w;
}

// The nearest named frame or window holding a control.
QString containerOf(QWidget *w);

// The caption or text a control shows.
QString shownText(QWidget *w);
// The text of the named field (a line or a name box) of a window.
inline QString fieldText(QWidget *window, const QString &name)
{
    return shownText(child<QWidget>(window, name));
}

std::unique_ptr<RecordWindow> makeRecordWindow(const QString &kind);

RecordWindowSpec specOf(const QString &kind);

RecordSource *sourceOf(QWidget *window);

QTableView *gridOf(QWidget *window);

QStringList gridCaptions(QWidget *window);

// The texts of one grid column, as the grid shows them, top to bottom.
QStringList gridColumn(QWidget *window, const QString &caption);

QStringList sorted(QStringList list);

QStringList comboItems(QComboBox *combo);

// Opens the drop-down list and picks the row with the keyboard, as a clerk
// does with the arrow keys and Enter.
void pickFromList(QComboBox *combo, int index);

// Selects a row of the grid with the mouse.
void clickGridRow(QWidget *window, int row);

// Types a text key by key; letters beyond ASCII (accents) arrive as the
// text of a key the keyboard map does not name, as a French keyboard sends them.
void typeText(QWidget *field, const QString &text);

// Replaces a field's text by typing, as a clerk does.
void typeInto(QWidget *field, const QString &text);

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
