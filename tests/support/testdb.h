#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

namespace tavro::test {

// A real database with the program's schema and text rules, on the engine
// the test run names: a BD2003.mdb in a temporary folder, or, with
// TAVRO_TEST_ENGINE=postgresql, a database of its own on the private server
// the test fixture started (TAVRO_TEST_SERVER names the file holding its
// connection string). Rows are given as lists of values; a null QVariant is
// NULL. Test SQL is written for both engines: no rowid.
class TestDatabase {
public:
    TestDatabase();
    ~TestDatabase();

    static bool onServer();

    // Empty tables; without them, an empty database on the server (a file
    // is not made at all).
    void create(bool withTables = true);
    // Empty tables as earlier versions made them: without the key CLE.
    void createWithoutKeys();
    // The bundled sample data.
    void createSample();

    QString folder() const { return m_dir.path(); }
    // What the program opens: the file's path, or the server database's
    // connection string (named before it is created, as a missing file is).
    QString path() const;
    // How messages name it: the file's full path, or the database's name.
    QString name() const;
    // On the server: the database as a role may reach it that reads and
    // may not write ("tavro_reader"), or that logs in with a password only
    // ("tavro_password", whose password is "juste").
    QString asRole(const QString &role) const;

    void insert(const char *table, const QVariantList &values);
    // Runs statements on a connection of their own (on the server, as the
    // role named, else as the server's owner).
    void exec(const QString &sql, const QString &role = {});
    // Reads a query's rows under the program's text rules, each row joined
    // with '|' and NULL as "<null>".
    QStringList rows(const QString &sql) const;

    // Another counter in the middle of writing the rows of a table, until
    // the returned object goes: the file's write lock, or the rows locked
    // FOR UPDATE on the server. With `readersToo`, as while the file commits
    // or the tables are being replaced, reading waits as well.
    std::shared_ptr<void> holdForWriting(const char *table, bool readersToo = false);

    // Takes the data away (the file renamed, the database too) and back.
    void setMissing(bool missing);
    // Puts the file of `other` in this one's place whole, as a conversion
    // run again does (a file only: a server's database keeps its identity).
    void replaceWith(const TestDatabase &other);

    // On the server: this database through the primary and its streaming
    // standby, as a site names several hosts; `linkFolder`, when given,
    // holds symbolic links to their socket folders that setReachable()
    // takes away and gives back, as a network cut does.
    QString throughStandby(const QString &linkFolder = {}) const;
    void setReachable(const QString &linkFolder, bool reachable) const;
    // Waits until the standby has replayed every change made so far.
    void waitForStandby() const;
    // Stops and resumes the standby's replay: its rows lag the primary's.
    void pauseStandby(bool paused) const;
    // A statement's rows on the standby, joined as rows() joins them.
    QStringList standbyRows(const QString &sql) const;

    // Ends every other session on this database, as a server restart does
    // (a file has none to end).
    void cutConnections();
    // Stops the server's process of every other session on this database
    // (SIGSTOP: it keeps its connection and answers nothing) until the
    // returned object goes, or `atMostSeconds` have passed (a file has none).
    std::shared_ptr<void> freezeSessions(int atMostSeconds);

    // Names this database as the program's, as the setting does, and makes
    // its folder the current one, as when the program starts from its own
    // folder.
    void makeCurrent();

private:
    QTemporaryDir m_dir;
    QString m_previousFolder;
    QString m_server; // this database's connection string on the server
    bool m_created = false;
};

} // namespace tavro::test
