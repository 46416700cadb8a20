// Whole files read and written as bytes, for tests.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

namespace velmor::test {

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// The bytes of a file; empty when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace velmor::test
