#pragma once

#include "data/rows/gridcolumns.h"
#include "data/status.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QTableView;

namespace tavro {

class NameField;
class RecordSource;

// Typing not written yet, as it is kept aside when the program must end and
// put back at a later start: the window, its query, the row as it was read
// (each column's name and value; none for a new row) and the text of each
// field typed into (an empty text empties the column).
struct KeptTyping {
    QString window;
    QString query;
    bool newRow = false;
    std::vector<std::pair<QString, std::optional<QString>>> row;
    std::vector<std::pair<QString, QString>> typed;
};

// The data control "Adodc1" of a record window: owns the window's
// RecordSource, shows the navigation bar (first, previous, next, last) with
// an empty caption and binds text fields by column name. Every failure of
// its operations, and of the bar's moves, is announced by failed(): the
// window that owns it shows the box. A failure never ends the program.
class DataControl : public QWidget {
    Q_OBJECT
public:
    explicit DataControl(QWidget *parent = nullptr);
    ~DataControl() override;

    RecordSource *source() const { return m_source; }

    // Binds a text field, one line or a box that wraps a long value over its
    // height, to a column of the current result. A column the result lacks
    // shows empty; typing records a pending change.
    // Bound by hand rather than through QDataWidgetMapper: the mapper writes
    // a field back when it loses the focus, and the bar's buttons take no
    // focus, so typing would be dropped on a move; it also maps by column
    // number, and the window's columns come and go with each query.
    void bindField(QLineEdit *field, const QString &column);
    void bindField(NameField *field, const QString &column);

    // Typing not written yet: values in the current row, or typed where the
    // result has no column for them.
    bool hasTypedChanges() const;
    // Writes that typing without a box of its own, for a caller that asks
    // the user what to do when it fails.
    Status writeTyping();
    // Drops that typing; the fields show the row as read (and, when the
    // file was replaced meanwhile, the rows of the file now in its place).
    void discardTyping();
    // That typing, to be kept aside (no window or query named yet); nothing
    // typed when there is none.
    KeptTyping typing() const;
    // The row of the current result that still reads as kept, or -1.
    int findRow(const KeptTyping &kept) const;
    // Puts kept typing into the current row's fields, as if typed again.
    void retype(const KeptTyping &kept);

    // A save is being written. It runs off the window's thread: the busy
    // cursor shows at once, the program takes no input meanwhile (no click
    // lands twice, nothing else starts), and the window keeps drawing.
    bool isWriting() const { return m_writing; }

    // Operations of the window's handlers; each reports its own failure and
    // returns it.
    void setRecordSource(const QString &sql);
    Status refresh();
    // The exact row count; a file that never opened has none to give.
    Result<qint64> recordCount();
    Status addNew();
    Status update();
    Status deleteCurrent();

Q_SIGNALS:
    void failed(const tavro::Status &failure);
    // A write has taken a few seconds (true), and later has ended (false):
    // the window says it is still writing rather than sit silent.
    void writingSlowly(bool slow);

private:
    struct Binding;
    // Announces a failure; success passes through.
    Status report(const Status &status);
    void readReplacedFile();
    Binding *addBinding(QWidget *field, const QString &column);
    void showCurrent();
    void fieldEdited(Binding *binding, const QString &text);
    Status runWrite(const std::function<Status()> &write);

    RecordSource *m_source;
    QLabel *m_caption;
    std::vector<std::unique_ptr<Binding>> m_bindings;
    bool m_writing = false;
    bool m_rereading = false;
};

// The grid "DataGrid1": the columns a window declares (caption, column name),
// showing the data control's rows; its current row follows the source's and
// choosing a row moves the source. An optional caption line above the rows.
class DataGrid : public QWidget {
    Q_OBJECT
public:
    DataGrid(DataControl *control, const QList<GridColumn> &columns, QWidget *parent = nullptr);

    void setCaption(const QString &caption); // empty: no caption line
    QTableView *view() const { return m_view; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void followSource(int row);
    void followView(int row);
    void measureColumns();
    void fitColumns();

    DataControl *m_control;
    QLabel *m_caption;
    QTableView *m_view;
    QList<int> m_wanted; // per column: the width its texts want
    QList<int> m_least;  // and its caption's
    bool m_syncing = false;
};

} // namespace tavro
