// Small file helpers shared by the tests: write and read Shift_JIS (CP932) files.
#pragma once

#include <QByteArray>
#include <QString>

namespace kazeyomi::test {

void writeBytes(const QString& path, const QByteArray& bytes);
void writeCp932(const QString& path, const QString& text);
QByteArray readBytes(const QString& path);

} // namespace kazeyomi::test
