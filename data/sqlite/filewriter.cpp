// The tools' writer over a new SQLite file; the server's is in
// data/postgres/pgwriter.cpp.
#include "data/sqlite/filewriter.h"

#include "data/setting/paths.h"
#include "data/sqlite/newfile.h"
#include "data/sqlite/opendb.h"
#include "data/sqlite/sqlitestep.h"
#include "data/sqltext.h"

#include <QFile>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace tavro {

namespace {

// Every column text, compared under the program's NOCASE, and the key CLE:
// the rowid itself, never given twice (AUTOINCREMENT; without it SQLite
// gives a deleted last row's number to the next). No other index: see
// textrules.h.
QString createTableSql(const TableDef &table)
{
    QStringList columns;
    for (const QString &column : columnNames(table))
        columns << column + QLatin1String(" TEXT COLLATE NOCASE");
    columns << QLatin1String(kKeyColumn) + QLatin1String(" INTEGER PRIMARY KEY AUTOINCREMENT");
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(QLatin1String(table.name), columns.join(QLatin1String(", ")));
}

class FileTableWriter final : public TableWriter {
public:
    FileTableWriter(const QString &target, std::unique_ptr<NewFile> file)
        : m_target(target)
        , m_file(std::move(file))
    {
    }

    QString where() const override { return displayPath(m_target); }

    Status begin()
    {
        return run([&] {
            // The file is new and empty: SQLite makes a database of it.
            m_db = std::make_unique<SQLite::Database>(QFile::encodeName(m_file->temporaryPath()).toStdString(),
                                                      SQLite::OPEN_READWRITE);
            prepareConnection(*m_db);
            // A file nobody else knows yet needs no journal: a failure
            // deletes it. One flush to disk before the rename makes it durable.
            m_db->exec("PRAGMA journal_mode = OFF");
            m_db->exec("PRAGMA synchronous = OFF");
            m_db->exec("BEGIN");
            for (const TableDef &table : kTables)
                m_db->exec(createTableSql(table).toStdString());
        });
    }
    Status startTable(const TableDef &table) override
    {
        return run([&] {
            m_insert = std::make_unique<SQLite::Statement>(
                *m_db, insertStatement(QLatin1String(table.name), columnNames(table)).toStdString());
        });
    }
    Status addRow(const RowValues &values) override
    {
        return run([&] {
            for (int i = 0; i < values.size(); ++i) {
                if (values[i])
                    m_insert->bind(i + 1, values[i]->toStdString()); // text, not a blob
                else
                    m_insert->bind(i + 1);
            }
            m_insert->exec();
            m_insert->reset();
        });
    }
    Status commit() override
    {
        m_insert.reset();
        std::string check;
        const Status done = run([&] {
            m_db->exec("COMMIT");
            check = m_db->execAndGet("PRAGMA integrity_check").getString();
        });
        if (!done)
            return done;
        if (check != "ok") {
            return nothingWrittenToFile(
                Status::failure(Fault::Other, QStringLiteral("Le fichier écrit ne passe pas le contrôle d'intégrité."), {},
                                QStringLiteral("Relancez la conversion ; si l'erreur revient, vérifiez le disque."))
                    .withDetail(QString::fromStdString(check)));
        }
        m_db.reset();
        return m_file->place(&m_notes);
    }

    WriteNotes *notes() { return &m_notes; }

private:
    template <typename Step>
    Status run(Step &&step)
    {
        return sqliteStep(step, [this](const SQLite::Exception &e) {
            return nothingWrittenToFile(sqliteFailure(e, Action::Write, Place{where()}));
        });
    }

    // Destroyed from the last: the statement, its database, then the
    // temporary file.
    QString m_target;
    std::unique_ptr<NewFile> m_file;
    std::unique_ptr<SQLite::Database> m_db;
    std::unique_ptr<SQLite::Statement> m_insert;
};

} // namespace

Result<std::unique_ptr<TableWriter>> fileTableWriter(const QString &target, const WriteOptions &options)
{
    WriteNotes notes;
    auto file = NewFile::create(target, options.replace, &notes);
    if (!file)
        return file.status();
    auto writer = std::make_unique<FileTableWriter>(target, std::move(*file));
    *writer->notes() = notes;
    if (Status begun = writer->begin(); !begun)
        return begun;
    return std::unique_ptr<TableWriter>(std::move(writer));
}

} // namespace tavro
