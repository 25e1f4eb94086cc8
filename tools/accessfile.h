#pragma once

#include "data/status.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace tavro::access {

// One value of a row: UTF-8 text, or no value at all (NULL). An empty text
// is a value: the old files tell the two apart and so must we.
using Value = std::optional<QByteArray>;

struct Column {
    QString name;
    int type = 0;         // the engine's column type code
    QString typeName;     // for messages: "Texte", "Mémo", ...
    bool readable = true; // false for binary and OLE columns
    int number = 0;       // its place in the rows
    // Why its definition cannot be trusted (a French phrase that follows the
    // column's name: "porte le numéro 9, au-delà des 4 colonnes de la
    // table"); empty when it is sound. A column without a readable name has
    // an empty name.
    QString damage;
};

struct OpenOptions {
    // Code page of the text in a Jet 3 (Access 97) file, as iconv names it
    // ("CP1252", "GBK"). Empty: the one the file's header gives. Jet 4 files
    // hold Unicode and ignore it.
    QByteArray charset;
};

class RowCursor;
struct TableShape;

// An Access (Jet 3 or Jet 4) file, opened read-only. libmdb reads the
// header and the table definitions; the rows, memos and
// Jet 4 text are read here, every length and offset checked against its page
// and the file. Reads one table at a time: open the next cursor only when
// done with the previous one.
class AccessFile {
public:
    ~AccessFile();
    AccessFile(const AccessFile &) = delete;
    AccessFile &operator=(const AccessFile &) = delete;

    static Result<std::unique_ptr<AccessFile>> open(const QString &path, const OpenOptions &options);

    // 3 for Access 97 files, 4 for Access 2000 to 2003, 5 and up for later.
    int jetVersion() const;

    // User tables, in the catalogue's order (system tables left out).
    QStringList tableNames() const;
    // The table's own spelling of a name, compared without regard to case
    // as the engine does; empty when there is no such table.
    QString findTable(const QString &name) const;

    // Columns in the table's order.
    Result<QList<Column>> columns(const QString &table) const;

    // What is wrong with the file's list of tables, said in French; a table
    // that the list names in damaged words is not among tableNames().
    QStringList catalogueDamage() const;

    // Reads the named columns of every row in the file's order. Column
    // names are found without regard to case.
    Result<std::unique_ptr<RowCursor>> rows(const QString &table, const QStringList &columnNames);

private:
    struct Private;
    explicit AccessFile(std::unique_ptr<Private> d);
    Result<TableShape> shape(const QString &table) const;
    std::unique_ptr<Private> d;
};

// The rows of one table. The scan ends with a check that it found exactly
// the rows the table's definition counts: a row lost or read twice by a
// damaged page fails the scan instead of passing unnoticed.
class RowCursor {
public:
    ~RowCursor();
    RowCursor(const RowCursor &) = delete;
    RowCursor &operator=(const RowCursor &) = delete;

    // True with the next row in values(), false at the end, or the failure
    // that stopped the scan (naming the table and the row).
    Result<bool> next();
    const QList<Value> &values() const { return m_values; }
    // Values so far whose text held half of a UTF-16 pair without the
    // other half: it was read as U+FFFD, as the other readers of these
    // files do, since the engine stores what it is given unchecked.
    qint64 loneSurrogates() const;

    struct Private;

private:
    explicit RowCursor(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
    QList<Value> m_values;
    friend class AccessFile;
};

// What to do about a damaged Access file, in French.
QString repairAdvice();

} // namespace tavro::access
