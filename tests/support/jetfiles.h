#pragma once

// The real Access files kept with the tests (tests/data/jet), and the bytes
// of files the importer's tests and benchmarks copy, damage and compare.

#include <QByteArray>
#include <QString>

namespace tavro::test {

// The path of a file of tests/data/jet.
QString jetFile(const char *name);

// A file's bytes; empty when it cannot be read.
QByteArray readAll(const QString &path);

// Writes the bytes as the whole file; false when any of them was not written.
bool writeAll(const QString &path, const QByteArray &bytes);

// The SHA-256 of a file's bytes, in hexadecimal: a file left unchanged keeps it.
QByteArray sha256(const QString &path);

} // namespace tavro::test
