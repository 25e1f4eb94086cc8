#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

namespace SQLite { class Database; }

namespace tavro::test {

// A real BD2003.mdb in a temporary folder, with the program's schema and
// text rules. Rows are given as lists of values; a null QVariant is NULL.
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();

    // Empty tables.
    void create();
    // The bundled sample data.
    void createSample();

    QString folder() const { return m_dir.path(); }
    QString path() const;

    void insert(const char *table, const QVariantList &values);
    // Runs a statement on a fresh connection with the program's rules.
    void exec(const QString &sql);
    // Reads a query's rows, each row joined with '|' and NULL as "<null>".
    QStringList rows(const QString &sql) const;

    // Points the shared connection at this folder and makes it the current
    // folder, as when the program starts from its own folder.
    void makeCurrent();

private:
    QTemporaryDir m_dir;
    QString m_previousFolder;
};

} // namespace tavro::test
