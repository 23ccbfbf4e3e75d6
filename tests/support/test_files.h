// Test helpers: whole files read and written as bytes or text.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

// The file's bytes; empty when it cannot be read.
std::vector<uint8_t> readFile(const std::string& path);
std::string readText(const std::string& path);
// Writes text, making the folders above the file first.
void writeText(const std::string& path, const std::string& text);

std::vector<uint8_t> bytesOf(const std::string& text);
std::string textOf(const std::vector<uint8_t>& bytes);

} // namespace qm::test
