#pragma once

#include "data/connection.h"
#include "data/status.h"

#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tavro {

// A record window's rows: the result of its current query text, loaded whole
// (a client-side static cursor) with an exact count, a current row, and the
// editing operations of the window's data control. Holds no widget; the data
// control Adodc1 (binding/datacontrol.h) reports failures to the user.
//
// Every column of the current result is a model column, in result order,
// headed by its result name. Row identity: the rowid of each base table is
// kept for every row, so an update writes each changed column to its own
// base table, for that row only, and only if the value is still the one read
// (optimistic locking).
// Not a QSqlQueryModel: Qt's SQL module hides which base table and rowid a
// result column comes from, which the writes need, and fetches lazily, so
// its row count is not the exact count the count button shows.
class RecordSource : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordSource(QObject *parent = nullptr);
    ~RecordSource() override;

    // The database the source opens at its next refresh: the one named for
    // the program, else "BD2003.mdb" in the current folder, unless set here.
    void setDatabase(const QString &database);
    QString database() const;

    // Stores the query text; nothing runs until refresh().
    void setRecordSource(const QString &sql);
    QString recordSource() const;

    // Runs the query text, loads every row and makes the first row current.
    // On failure the previous rows stay and the error is returned.
    // With Wait::No it gives up at once on data another program holds, for
    // a retry that must not stop the window.
    Status refresh(Wait wait = Wait::ForBusy);

    // The exact number of rows of the current result (a pending new row
    // counts once it is written).
    qint64 recordCount() const;
    // False until the file has opened: there is no result to count yet.
    bool isOpen() const;
    // Where the rows are read from: a file, a server's primary or standby,
    // or a local copy of a server's tables (saves refused).
    ReadOrigin readsFrom() const;
    // On a local copy: reads the rows again, from the server when one
    // answers now, and shows the same row again, found by its key, with
    // whatever was typed on it. Nothing on a server or a file.
    Status readAgainFromServer();

    // Current row: -1 when the result is empty. Moves past either end stay
    // on the first or last row. Leaving a row with pending changes writes
    // them first; when that fails the move is refused, the typed values stay
    // and moveFailed() tells why.
    int currentRow() const;
    Status moveTo(int row);
    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();

    // Column of the current result by name (case-insensitive, "TEL" finds a
    // "TELE.TEL" result column named TEL), or -1 when the result lacks it.
    int columnIndex(const QString &name) const;

    // Value of a cell as text; a missing column or a null reads as "".
    QString text(int row, const QString &column) const;
    bool isNull(int row, const QString &column) const;
    // A cell as it was read, whatever was typed over it since (nullopt: null).
    std::optional<QString> valueAsRead(int row, int column) const;

    // Editing the current row. setData() on the model (what bound fields and
    // the grid use) records a pending change; update() writes it.
    Status addNew();
    Status update();
    Status deleteCurrent();
    bool hasPendingChanges() const;
    // Runs the write of a save (its transaction, on the row's connection)
    // and gives its outcome: the data control runs it off the window's
    // thread, so that a slow disk or server never freezes the window. The
    // rows are not changed while it runs; the values written are applied
    // to them afterwards, on the caller's thread.
    using WriteRunner = std::function<Status(const std::function<Status()> &write)>;
    void setWriteRunner(WriteRunner runner);
    // Values typed into the current row and not written yet (a blank new row
    // has none).
    bool hasTypedChanges() const;
    // True when the rows come from a file since replaced by another (its
    // identity changed under the connection): nothing is written or deleted
    // until the next refresh() reads the file now in its place.
    bool isStale() const;
    // True when the rows carry no identity (grouped, distinct or otherwise
    // unmatched to base rows): they can be read, not edited.
    bool isReadOnly() const;
    void cancelPendingChanges();

    // QAbstractTableModel
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

Q_SIGNALS:
    void currentRowChanged(int row);
    // After a refresh replaced the result (columns may differ).
    void refreshed();
    // A move was refused because the current row could not be written.
    void moveFailed(const tavro::Status &failure);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace tavro
