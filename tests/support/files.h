// Small file helpers shared by the tests: write and read Shift_JIS (CP932) files.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace kazeyomi::test {

void writeBytes(const QString& path, const QByteArray& bytes);
void writeCp932(const QString& path, const QString& text);
QByteArray readBytes(const QString& path);

// The rows of a table kept under tests/data: UTF-8, one row a line, fields split by tabs, "\n",
// "\r" and "\t" standing for LF, CR and a tab; empty lines and lines starting with # skipped.
QList<QStringList> dataRows(const QString& name);

} // namespace kazeyomi::test
