// Shared by the fuzz targets: a scratch folder in memory and a check that aborts (and so makes
// libFuzzer report the input) when a rule of the code under test does not hold.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace velmor::fuzz {

inline const std::string& scratchDir() {
    static const std::string dir = [] {
        std::string t = (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        t += "/velmor-fuzz-XXXXXX";
        if (!mkdtemp(t.data())) abort();
        return t;
    }();
    return dir;
}

inline std::string writeScratch(const std::string& name, const std::uint8_t* data, std::size_t n) {
    const std::string path = scratchDir() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(n));
    return path;
}

#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            abort();                                                                      \
        }                                                                                 \
    } while (0)

}  // namespace velmor::fuzz
