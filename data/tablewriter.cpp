// The tools' writer over a SQLite file; the server's is in pgwriter.cpp.
#include "data/tablewriter.h"

#include "data/opendb.h"
#include "data/sqlitestep.h"
#include "data/sqltext.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

namespace tavro {

namespace {

class FileTableWriter final : public TableWriter {
public:
    FileTableWriter(SQLite::Database &db, const QString &path)
        : m_db(db)
        , m_path(path)
    {
    }
    ~FileTableWriter() override
    {
        m_insert.reset();
        if (!sqlite3_get_autocommit(m_db.getHandle()))
            sqlite3_exec(m_db.getHandle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }

    QString where() const override { return displayPath(m_path); }

    Status begin()
    {
        return run([&] {
            m_db.exec("BEGIN");
            createSchema(m_db);
        });
    }
    Status startTable(const TableDef &table) override
    {
        return run([&] {
            m_insert = std::make_unique<SQLite::Statement>(
                m_db, insertStatement(QLatin1String(table.name), columnNames(table)).toStdString());
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
        return run([&] { m_db.exec("COMMIT"); });
    }

private:
    template <typename Step>
    Status run(Step &&step)
    {
        return sqliteStep(step, [this](const SQLite::Exception &e) {
            return sqliteFailure(e, Action::Write, Place{where()});
        });
    }

    SQLite::Database &m_db;
    QString m_path;
    std::unique_ptr<SQLite::Statement> m_insert;
};

} // namespace

Result<std::unique_ptr<TableWriter>> fileTableWriter(SQLite::Database &db, const QString &path)
{
    auto writer = std::make_unique<FileTableWriter>(db, path);
    if (Status begun = writer->begin(); !begun)
        return begun;
    return std::unique_ptr<TableWriter>(std::move(writer));
}

} // namespace tavro
