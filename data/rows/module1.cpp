#include "data/rows/module1.h"

#include "data/database/database.h"
#include "data/setting/paths.h"

#include <QCoreApplication>
#include <QDir>

#include <memory>

namespace Module1 {
namespace {
std::unique_ptr<tavro::Connection> g_connection;
QString g_folderOverride;
} // namespace

QString programFolder()
{
    return g_folderOverride.isEmpty() ? QCoreApplication::applicationDirPath() : g_folderOverride;
}

void setProgramFolder(const QString &folder)
{
    g_folderOverride = folder;
}

tavro::Status connect(tavro::Wait wait)
{
    // The old connection goes first: after a failed opening nothing stale remains.
    g_connection.reset();
    auto opened = tavro::Database::namedOr(QDir(programFolder()).filePath(QLatin1String(tavro::kDatabaseFileName))).connect(wait);
    if (!opened)
        return opened.status();
    g_connection = std::move(*opened);
    return tavro::Status::success();
}

tavro::Connection *connection()
{
    return g_connection.get();
}

} // namespace Module1
