#include "tools/importsource.h"

#include "data/database/database.h"
#include "data/setting/paths.h"
#include "tools/accessfile.h"

namespace tavro {

namespace {

class AccessSource final : public TableReader {
public:
    explicit AccessSource(std::unique_ptr<access::AccessFile> file)
        : m_file(std::move(file))
    {
    }

    Status check(const QString &source, ImportReport *report)
    {
        QStringList ours;
        for (const TableDef &table : kTables) {
            const QString name = QLatin1String(table.name);
            ours << name;
            if (m_file->findTable(name).isEmpty())
                return Status::failure(
                    Fault::Unavailable,
                    QStringLiteral("La table %1 est absente de la base Access %2.").arg(name, displayPath(source)), {},
                    QStringLiteral("Vérifiez qu'il s'agit bien de la base BD2003.mdb de l'ancien programme."));
            const Result<QList<access::Column>> columns = m_file->columns(name);
            if (!columns)
                return columns.status();
            const QStringList wanted = columnNames(table);
            for (const QString &column : wanted) {
                const auto it = std::find_if(columns->begin(), columns->end(), [&](const access::Column &c) {
                    return c.name.compare(column, Qt::CaseInsensitive) == 0;
                });
                if (it == columns->end())
                    return Status::failure(Fault::Unavailable,
                                           QStringLiteral("La colonne %1 est absente de la table %2 de la base Access %3.")
                                               .arg(column, name, displayPath(source)));
                if (!it->readable)
                    return Status::failure(
                        Fault::Refused,
                        QStringLiteral("La colonne %1 de la table %2 est de type %3 : elle ne contient pas de texte.")
                            .arg(column, name, it->typeName));
            }
            for (const access::Column &c : *columns) {
                if (!wanted.contains(c.name, Qt::CaseInsensitive))
                    report->leftOut << m_file->findTable(name) + QLatin1Char('.') + c.name;
            }
        }
        for (const QString &table : m_file->tableNames()) {
            if (!ours.contains(table, Qt::CaseInsensitive))
                report->leftOut << table;
        }
        report->jetVersion = m_file->jetVersion();
        return Status::success();
    }

    Status eachRow(const TableDef &table, const std::function<Status(const RowValues &)> &receive) override
    {
        Result<std::unique_ptr<access::RowCursor>> rows = m_file->rows(QLatin1String(table.name), columnNames(table));
        if (!rows)
            return rows.status();
        for (;;) {
            const Result<bool> more = (*rows)->next();
            if (!more)
                return more.status();
            if (!*more)
                return Status::success();
            if (Status received = receive((*rows)->values()); !received)
                return received;
        }
    }

private:
    std::unique_ptr<access::AccessFile> m_file;
};

} // namespace

Result<std::unique_ptr<TableReader>> openImportSource(const ImportOptions &options, ImportReport *report)
{
    auto own = Database(options.source).reader();
    if (!own || *own)
        return own;
    Result<std::unique_ptr<access::AccessFile>> file = access::AccessFile::open(options.source, {options.charset});
    if (!file)
        return file.status();
    auto source = std::make_unique<AccessSource>(std::move(*file));
    if (Status checked = source->check(options.source, report); !checked)
        return checked;
    return std::unique_ptr<TableReader>(std::move(source));
}

} // namespace tavro
