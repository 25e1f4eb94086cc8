#include "tools/accessimport.h"

#include "data/database/database.h"
#include "tools/importsource.h"

#include <algorithm>

namespace tavro {

namespace {

// Schema and rows in one transaction: one commit, one wait for the disk.
Status copyRows(TableReader &source, TableWriter &writer, ImportReport *report)
{
    for (const TableDef &table : kTables) {
        if (Status started = writer.startTable(table); !started)
            return started;
        qint64 count = 0;
        RowValues cleaned;
        const Status copied = source.eachRow(table, [&](const RowValues &values) {
            ++count;
            // A server's text cannot hold NUL, and no name or number the
            // program shows has one.
            const auto hasNul = [](const std::optional<QByteArray> &v) { return v && v->contains('\0'); };
            if (std::none_of(values.begin(), values.end(), hasNul))
                return writer.addRow(values);
            cleaned = values;
            for (std::optional<QByteArray> &v : cleaned) {
                if (hasNul(v)) {
                    v->replace(QByteArray(1, '\0'), QByteArray());
                    ++report->nulStripped;
                }
            }
            return writer.addRow(cleaned);
        });
        if (!copied)
            return copied;
        report->tables.append({QLatin1String(table.name), count});
    }
    return writer.commit();
}

} // namespace

Status importAccessFile(const ImportOptions &options, ImportReport *report)
{
    *report = ImportReport{};
    const Database target(options.target);
    // The source first: a source that cannot be read leaves the target
    // untouched, not even a temporary file beside it.
    auto source = openImportSource(options, report);
    if (!source)
        return target.nothingWritten(source.status());
    auto writer = target.writer(WriteOptions{options.force});
    if (!writer)
        return writer.status();
    report->removedLeftovers = (*writer)->notes().removedLeftovers;
    try {
        if (Status copied = copyRows(**source, **writer, report); !copied)
            return target.nothingWritten(copied);
    } catch (const std::exception &e) {
        return target.nothingWritten(Status::failure(QStringLiteral("L'écriture dans %1 a échoué.").arg((*writer)->where()))
                                         .withDetail(QString::fromUtf8(e.what())));
    }
    report->backup = (*writer)->notes().backup;
    return Status::success();
}

} // namespace tavro
