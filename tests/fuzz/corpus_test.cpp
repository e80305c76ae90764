// Every input kept under tests/fuzz/corpus once crashed or hung an attack: each goes through
// its attack's entry again, in the ordinary build.
#include <cstdio>
#include <map>
#include <string>

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include "fuzz/fuzz_env.h"
#include "fuzz/fuzz_target.h"

namespace kazeyomi::fuzz {

namespace {

std::map<std::string, Entry>& entries()
{
    static std::map<std::string, Entry> all;
    return all;
}

} // namespace

bool registerEntry(const char* name, Entry entry)
{
    entries()[name] = entry;
    return true;
}

namespace {

TEST(FuzzCorpus, EveryKeptInputGoesThroughItsAttack)
{
    const QDir corpus(QStringLiteral(KAZEYOMI_FUZZ_CORPUS_DIR));
    ASSERT_TRUE(corpus.exists());
    int inputs = 0;
    for (const QString& attack : corpus.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        // A folder under another name would never be replayed.
        const auto entry = entries().find(attack.toStdString());
        ASSERT_NE(entry, entries().end()) << "no attack named " << attack.toStdString();
        QDirIterator files(corpus.filePath(attack), QDir::Files);
        while (files.hasNext()) {
            const QString path = files.next();
            SCOPED_TRACE(path.toStdString());
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            entry->second(file.readAll());
            ++inputs;
        }
    }
    releaseEnvs();
    std::printf("replayed %d kept inputs\n", inputs);
}

} // namespace
} // namespace kazeyomi::fuzz
