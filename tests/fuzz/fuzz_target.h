// One attack entry: libFuzzer calls it with made-up bytes in the fuzz build, and the corpus
// test calls it with every kept input in the ordinary suite.
#pragma once

#include <cstddef>
#include <cstdint>

#include <QByteArray>

namespace kazeyomi::fuzz {

using Entry = void (*)(const QByteArray& data);

// Registers `entry` under `name`, the folder of its kept inputs; returns true for a static.
bool registerEntry(const char* name, Entry entry);

} // namespace kazeyomi::fuzz

#ifdef KAZEYOMI_FUZZ_MAIN
#define KAZEYOMI_FUZZ_ENTRY(name, function)                                                                            \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)                                  \
    {                                                                                                                  \
        function(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));                       \
        return 0;                                                                                                      \
    }
#else
#define KAZEYOMI_FUZZ_ENTRY(name, function)                                                                            \
    [[maybe_unused]] static const bool registered_##function = kazeyomi::fuzz::registerEntry(#name, function);
#endif
