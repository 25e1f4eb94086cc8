#pragma once

// What the Access reader's two halves share: the file as libmdb opened it,
// with its page reads, and a table's definition copied out of libmdb.
#include "tools/accessfile.h"

#include <QString>

#include <mdbtools.h>

#include <optional>
#include <unordered_set>
#include <vector>

namespace tavro::access {

// A table as its definition page gives it, copied out of libmdb.
struct TableShape {
    struct Col {
        QString name;
        int type = 0;
        int number = 0;    // position in the row's null mask
        int varNumber = 0; // position in the row's table of variable columns
        int fixedOffset = 0;
        int size = 0;
        bool fixed = false;
        int scale = 0;
        int precision = 0;
        bool compressible = false; // Jet 4 text that may be stored "compressed"
        QString damage;            // why the definition of this column cannot be trusted; empty if sound
    };
    QString name;
    quint32 definitionPage = 0;
    quint32 declaredRows = 0; // the count the definition keeps
    int maxColumns = 0;       // columns a row may have, deleted ones included
    bool hasVariableColumns = false;
    QByteArray usageMap;      // which pages hold the table's rows
    std::vector<Col> columns; // in the order of their null-mask bits
};

// The open file: libmdb's handle, the file's geometry and what libmdb said
// on standard error, kept for a failure's detail.
class JetFile {
public:
    JetFile(QString path, qint64 size);
    // Takes the handle libmdb opened; reads the file's geometry from it.
    void adopt(MdbHandle *mdb);
    ~JetFile();
    JetFile(const JetFile &) = delete;
    JetFile &operator=(const JetFile &) = delete;

    MdbHandle *mdb() const { return m_mdb; }
    const QString &path() const { return m_path; }
    bool jet3() const { return m_jet3; }
    int pageSize() const { return m_pageSize; }
    int rowCountOffset() const { return m_rowCountOffset; }
    quint32 pages() const { return m_pages; }

    // Reads a whole page; false when it lies past the end of the file or
    // cannot be read.
    bool readPage(quint32 page, unsigned char *out);

    // Jet 3 text, in the file's code page, as UTF-8.
    QByteArray codePageText(const unsigned char *bytes, int size) const;

    // Runs a libmdb call with its standard output and error kept aside.
    template <typename F>
    auto quietly(F &&call)
    {
        begin();
        auto result = call();
        end();
        return result;
    }
    // libmdb's own words so far, for a failure's detail.
    QString messages() const;

private:
    void begin();
    void end();
    MdbHandle *m_mdb = nullptr;
    QString m_path;
    qint64 m_size = 0;
    bool m_jet3 = false;
    int m_pageSize = 0;
    int m_rowCountOffset = 0;
    quint32 m_pages = 0;
    int m_sink = -1; // where libmdb's output goes meanwhile
    int m_savedOut = -1;
    int m_savedErr = -1;
};

// Reads the definition of the table whose definition page is given; a
// column whose definition contradicts itself or another's gets its damage
// noted, the table fails only when the definition cannot be read at all.
Result<TableShape> readTableShape(JetFile &file, const QString &name, quint32 definitionPage);

// Whether a table or column name is one the engine could have given:
// 1 to 64 characters, no control character, none of . ! ` [ ], no leading
// blank. A name that breaks these rules was damaged.
bool isEngineName(const QString &name);

// Jet 4 text to UTF-8: UTF-16, or after the mark FF FE, where the column
// allows it, "compressed". A lone surrogate becomes U+FFFD and is counted
// in `replaced`. Fails on an odd number of bytes.
std::optional<QByteArray> jet4Text(const unsigned char *p, int size, bool compressible, int *replaced);

// The bytes a fixed-size column takes in a row; -1 for the other types.
int fixedSize(int type);

// Damage in a table, said in French with the table, the file and the row.
Status damagedTable(const JetFile &file, const QString &table, qint64 row, const QString &why);

struct RowCursor::Private {
    JetFile *file = nullptr;
    TableShape table;
    std::vector<int> wanted;                      // index into table.columns, per asked column
    std::vector<unsigned char> page, moved, memo; // page buffers
    quint32 pageNumber = 0;                       // the data page in `page`, 0 before the first
    int slot = 0;
    int slots = 0;
    qint64 read = 0; // rows given so far
    bool finished = false;
    bool pastEnd = false; // the usage map names pages past the end of the file
    Status failure;
    // The usage map's page that `mapPage` holds, for maps kept on pages.
    quint32 mapPageNumber = 0;
    std::vector<unsigned char> mapPage;
    // The new places of moved rows met so far (page << 8 | slot): each
    // is the new place of one row only.
    std::unordered_set<quint64> movedTargets;
    qint64 loneSurrogates = 0; // values where a lone surrogate became U+FFFD

    Result<bool> next(QList<Value> *values);

    // Where each column of the row being read lies; kept from row to row.
    struct Field {
        int start = -1; // -1: the row has no such column (added after it was written)
        int size = 0;
        bool null = true;
    };
    std::vector<Field> scratchFields;
    std::vector<int> scratchOffsets;

private:
    Status damaged(const QString &why) const;
    quint32 nextPage(quint32 after);
    Result<bool> crack(const unsigned char *page, int start, int end, QList<Value> *values);
    Result<QByteArray> readMemo(const TableShape::Col &col, const unsigned char *field, int size);
    Result<QByteArray> otherType(const TableShape::Col &col, const unsigned char *field, int size);
    Result<QByteArray> text(const TableShape::Col &col, const unsigned char *bytes, int size);
};

} // namespace tavro::access
