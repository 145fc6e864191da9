// Reading and writing whole files, or a piece of one, as the tests arrange
// and inspect the files a program keeps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace kaocg_test {

// The whole file; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Replaces the file with bytes.
inline void WriteFile(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteFile(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The whole file as bytes; empty when it cannot be read.
inline std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Up to n bytes from offset; fewer where the file ends first.
inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path, std::uint64_t offset, std::size_t n) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::vector<std::uint8_t> bytes(n);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(n));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

}  // namespace kaocg_test
