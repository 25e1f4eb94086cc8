// libFuzzer target over the Access reader: any bytes as an Access file,
// every table's readable columns (but those with a damaged definition) read
// to the end. A crash, a hang, a leak or undefined behaviour is a finding;
// a failure Status is the expected answer to damage.
#include "tools/accessfile.h"

#include <QString>

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The reader takes a path: the bytes go to a file in memory.
    static const int fd = memfd_create("fuzzed.mdb", MFD_CLOEXEC);
    static const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;

    auto file = tavro::access::AccessFile::open(path, {});
    if (!file)
        return 0;
    for (const QString &table : (*file)->tableNames()) {
        const auto columns = (*file)->columns(table);
        if (!columns)
            continue;
        QStringList names;
        for (const tavro::access::Column &c : *columns) {
            // A column whose definition is damaged is refused; the others are read.
            if (c.readable && c.damage.isEmpty() && !names.contains(c.name, Qt::CaseInsensitive))
                names << c.name;
        }
        auto rows = (*file)->rows(table, names);
        if (!rows)
            continue;
        for (tavro::Result<bool> more = (*rows)->next(); more && *more; more = (*rows)->next()) {
        }
    }
    return 0;
}
