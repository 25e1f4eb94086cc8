#include "tools/importsource.h"

#include "data/database/database.h"
#include "data/setting/paths.h"
#include "tools/accessfile.h"

namespace tavro {

namespace {

class AccessSource final : public TableReader {
public:
    AccessSource(std::unique_ptr<access::AccessFile> file, ImportReport *report)
        : m_file(std::move(file))
        , m_report(report)
    {
    }

    Status check(const QString &source)
    {
        QStringList ours;
        for (const TableDef &table : kTables) {
            const QString name = QLatin1String(table.name);
            ours << name;
            if (m_file->findTable(name).isEmpty())
                return missingTable(name, source);
            const Result<QList<access::Column>> columns = m_file->columns(name);
            if (!columns)
                return columns.status();
            const QString spelt = m_file->findTable(name);
            const QStringList wanted = columnNames(table);
            for (const QString &column : wanted) {
                const auto it = std::find_if(columns->begin(), columns->end(), [&](const access::Column &c) {
                    return c.name.compare(column, Qt::CaseInsensitive) == 0;
                });
                if (it == columns->end())
                    return missingColumn(column, spelt, *columns, source);
                if (!it->damage.isEmpty())
                    return Status::failure(Fault::Unavailable,
                                           QStringLiteral("La table %1 de la base Access %2 est abîmée : sa colonne %3 %4.")
                                               .arg(spelt, displayPath(source), it->name, it->damage),
                                           {}, access::repairAdvice());
                if (!it->readable)
                    return Status::failure(
                        Fault::Refused,
                        QStringLiteral("La colonne %1 de la table %2 est de type %3 : elle ne contient pas de texte.")
                            .arg(column, name, it->typeName));
            }
            // A damaged column that is not copied costs nothing but a warning.
            for (const access::Column &c : *columns) {
                if (!c.damage.isEmpty())
                    m_report->damagedLeftOut << spelt + (c.name.isEmpty() ? QLatin1String(" ") : QLatin1String("."))
                                                    + shownName(c) + QStringLiteral(", qui ") + c.damage;
                else if (!wanted.contains(c.name, Qt::CaseInsensitive))
                    m_report->leftOut << spelt + QLatin1Char('.') + c.name;
            }
        }
        for (const QString &table : m_file->tableNames()) {
            if (!ours.contains(table, Qt::CaseInsensitive))
                m_report->leftOut << table;
        }
        m_report->jetVersion = m_file->jetVersion();
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
            if (!*more) {
                m_report->loneSurrogates += (*rows)->loneSurrogates();
                return Status::success();
            }
            if (Status received = receive((*rows)->values()); !received)
                return received;
        }
    }

private:
    static QString notOursOrDamaged()
    {
        return QStringLiteral(
            "Vérifiez qu'il s'agit bien de la base BD2003.mdb de l'ancien programme ; si c'est bien elle, elle est abîmée : "
            "ouvrez-la dans Access, faites « Compacter et réparer la base de données », puis relancez la conversion.");
    }

    static QString shownName(const access::Column &c)
    {
        return c.name.isEmpty() ? QStringLiteral("n° %1").arg(c.number) : c.name;
    }

    // A table the file does not list: damage where its list shows some,
    // else maybe another file, maybe damage that left no trace.
    Status missingTable(const QString &name, const QString &source) const
    {
        const QStringList damage = m_file->catalogueDamage();
        if (!damage.isEmpty())
            return Status::failure(
                Fault::Unavailable,
                QStringLiteral("La table %1 est introuvable dans la base Access %2, dont la liste des tables est abîmée : %3.")
                    .arg(name, displayPath(source), damage.join(QLatin1String(" ; "))),
                {}, access::repairAdvice());
        return Status::failure(Fault::Unavailable,
                               QStringLiteral("La table %1 est absente de la base Access %2.").arg(name, displayPath(source)), {},
                               notOursOrDamaged());
    }

    Status missingColumn(const QString &column, const QString &table, const QList<access::Column> &columns,
                         const QString &source) const
    {
        QStringList names;
        QStringList damage;
        for (const access::Column &c : columns) {
            names << shownName(c);
            if (!c.damage.isEmpty())
                damage << QStringLiteral("la colonne ") + shownName(c) + QLatin1Char(' ') + c.damage;
        }
        if (!damage.isEmpty())
            return Status::failure(
                Fault::Unavailable,
                QStringLiteral(
                    "La colonne %1 est introuvable dans la table %2 de la base Access %3, dont la définition est abîmée : %4.")
                    .arg(column, table, displayPath(source), damage.join(QLatin1String(" ; "))),
                {}, access::repairAdvice());
        return Status::failure(
            Fault::Unavailable,
            QStringLiteral("La colonne %1 est absente de la table %2 de la base Access %3, qui a les colonnes %4.")
                .arg(column, table, displayPath(source), names.join(QLatin1String(", "))),
            {}, notOursOrDamaged());
    }

    std::unique_ptr<access::AccessFile> m_file;
    ImportReport *m_report; // what it left out and what its text held, told as it reads
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
    auto source = std::make_unique<AccessSource>(std::move(*file), report);
    if (Status checked = source->check(options.source); !checked)
        return checked;
    return std::unique_ptr<TableReader>(std::move(source));
}

} // namespace tavro
