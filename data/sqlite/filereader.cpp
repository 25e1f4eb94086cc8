// Reading the program's tables from a file of its own, as an import's source.
#include "data/sqlite/filereader.h"

#include "data/setting/paths.h"
#include "data/sqlite/sqlitestep.h"

#include <QFile>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <sys/stat.h>

namespace tavro {

namespace {

// A file of the program's own, read in its rows' order.
class ProgramFileSource final : public TableReader {
public:
    explicit ProgramFileSource(const QString &path)
        : m_path(path)
    {
    }

    Status open()
    {
        return run([&] {
            m_db = std::make_unique<SQLite::Database>(QFile::encodeName(m_path).toStdString(), SQLite::OPEN_READONLY);
            for (const TableDef &table : kTables)
                SQLite::Statement(*m_db, query(table));
        });
    }

    Status eachRow(const TableDef &table, const std::function<Status(const RowValues &)> &receive) override
    {
        Status received;
        const Status read = run([&] {
            SQLite::Statement rows(*m_db, query(table));
            RowValues values(table.columnCount());
            while (received && rows.executeStep()) {
                for (int i = 0; i < table.columnCount(); ++i) {
                    const SQLite::Column c = rows.getColumn(i);
                    values[i] = c.isNull() ? std::nullopt : std::optional(QByteArray(c.getText(), c.getBytes()));
                }
                received = receive(values);
            }
        });
        return read ? received : read;
    }

private:
    // In the order the program shows the rows: by rowid, which is the key
    // CLE where the table has one.
    static std::string query(const TableDef &table)
    {
        return QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
            .arg(columnNames(table).join(QLatin1String(", ")), QLatin1String(table.name))
            .toStdString();
    }

    template <typename Step>
    Status run(Step &&step)
    {
        return sqliteStep(step, [this](const SQLite::Exception &e) {
            return Status::failure(Fault::Unavailable,
                                   QStringLiteral("Le fichier %1 ne peut pas être lu comme base du programme, avec ses tables "
                                                  "CODE, TELE et QRT.")
                                       .arg(displayPath(m_path)),
                                   {}, QStringLiteral("Vérifiez qu'il s'agit bien d'un fichier BD2003.mdb de ce programme."))
                .withDetail(QString::fromUtf8(e.what()));
        });
    }

    QString m_path;
    std::unique_ptr<SQLite::Database> m_db;
};

bool isProgramFile(const QString &path)
{
    // Only a regular file is opened: a pipe of that name would wait for ever.
    struct stat st { };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3", 16);
}

} // namespace

Result<std::unique_ptr<TableReader>> fileTableReader(const QString &path)
{
    if (!isProgramFile(path))
        return std::unique_ptr<TableReader>();
    auto source = std::make_unique<ProgramFileSource>(path);
    if (Status opened = source->open(); !opened)
        return opened;
    return std::unique_ptr<TableReader>(std::move(source));
}

} // namespace tavro
