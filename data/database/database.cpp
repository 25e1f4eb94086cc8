#include "data/database/database.h"

#include "data/postgres/pgconnection.h"
#include "data/postgres/pgwriter.h"
#include "data/setting/databasesetting.h"
#include "data/sqlite/filereader.h"
#include "data/sqlite/fileupgrade.h"
#include "data/sqlite/filewriter.h"
#include "data/sqlite/newfile.h"
#include "data/sqlite/sqliteconnection.h"

namespace tavro {

Database::Database(QString name)
    : m_name(std::move(name))
    , m_kind(databaseKind(m_name))
{
}

Database Database::namedOr(const QString &fallback)
{
    return Database(databaseOr(fallback));
}

Place Database::place() const
{
    return {shownDatabase(m_name), m_kind};
}

Result<std::unique_ptr<Connection>> Database::connect(Wait wait) const
{
    switch (m_kind) {
    case DatabaseKind::Server:
        return connectToServer(m_name);
    case DatabaseKind::File:
        break;
    }
    return connectToFile(m_name, wait);
}

Result<std::unique_ptr<TableWriter>> Database::writer(const WriteOptions &options) const
{
    switch (m_kind) {
    case DatabaseKind::Server:
        return serverTableWriter(m_name, options);
    case DatabaseKind::File:
        break;
    }
    return fileTableWriter(m_name, options);
}

Result<std::unique_ptr<TableReader>> Database::reader() const
{
    switch (m_kind) {
    case DatabaseKind::Server:
        return std::unique_ptr<TableReader>();
    case DatabaseKind::File:
        break;
    }
    return fileTableReader(m_name);
}

Result<UpgradeNotes> Database::upgrade() const
{
    switch (m_kind) {
    case DatabaseKind::Server:
        return upgradeServer(m_name);
    case DatabaseKind::File:
        break;
    }
    return upgradeFile(m_name);
}

Status Database::nothingWritten(const Status &failure) const
{
    switch (m_kind) {
    case DatabaseKind::Server:
        return nothingWrittenToServer(failure);
    case DatabaseKind::File:
        break;
    }
    return nothingWrittenToFile(failure);
}

} // namespace tavro
