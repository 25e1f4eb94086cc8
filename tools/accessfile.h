#pragma once

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
    int type = 0; // the engine's column type code
    QString typeName; // for messages: "Texte", "Mémo", ...
    bool readable = true; // false for binary and OLE columns
};

struct OpenOptions {
    // Code page of the text in a Jet 3 (Access 97) file, as iconv names it
    // ("CP1252", "GBK"). Empty: the one the file's header gives. Jet 4 files
    // hold Unicode and ignore it.
    QByteArray charset;
};

class RowCursor;

// An Access (Jet 3 or Jet 4) file, opened read-only through libmdb. Reads
// one table at a time: a cursor shares the file's page buffer, so open the
// next cursor only when done with the previous one.
class AccessFile {
public:
    ~AccessFile();
    AccessFile(const AccessFile &) = delete;
    AccessFile &operator=(const AccessFile &) = delete;

    // Null with a French message in *error when the file cannot be read.
    static std::unique_ptr<AccessFile> open(const QString &path, const OpenOptions &options, QString *error);

    // 3 for Access 97 files, 4 for Access 2000 to 2003, 5 and up for later.
    int jetVersion() const;

    // User tables, in the catalogue's order (system tables left out).
    QStringList tableNames() const;
    // The table's own spelling of a name, compared without regard to case
    // as the engine does; empty when there is no such table.
    QString findTable(const QString &name) const;

    // Columns in the table's order; empty with *error set on failure.
    QList<Column> columns(const QString &table, QString *error) const;

    // Reads the named columns of every row in the file's order. Column
    // names are found without regard to case. Null with *error set when the
    // table or a column is missing or cannot be read.
    std::unique_ptr<RowCursor> rows(const QString &table, const QStringList &columnNames, QString *error);

private:
    struct Private;
    explicit AccessFile(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
    friend class RowCursor;
};

class RowCursor {
public:
    ~RowCursor();
    RowCursor(const RowCursor &) = delete;
    RowCursor &operator=(const RowCursor &) = delete;

    // Moves to the next row; false at the end or on a read failure (error()).
    bool next();
    const QList<Value> &values() const { return m_values; }
    // Non-empty when next() stopped on a row it could not read.
    const QString &error() const { return m_error; }

private:
    struct Private;
    explicit RowCursor(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
    QList<Value> m_values;
    QString m_error;
    friend class AccessFile;
};

} // namespace tavro::access
