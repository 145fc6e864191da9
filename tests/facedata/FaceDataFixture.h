// Shared set-up of the ID archive and roster tests: an installation of a
// chosen edition with a private user folder, and ID archive files made in
// code.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "facedata/Installation.h"
#include "support/FileBytes.h"
#include "support/TempDir.h"

namespace kaocg_test {

inline void PutLe32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::uint32_t GetLe32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
  return v;
}

// An ID archive: the header text, then records 0 .. values.size() - 1.
inline std::string IdArchiveBytes(const char* header, const std::vector<std::int32_t>& values) {
  std::string out(header, 16);
  for (std::size_t i = 0; i < values.size(); ++i) {
    PutLe32(out, static_cast<std::uint32_t>(i));
    PutLe32(out, static_cast<std::uint32_t>(values[i]));
  }
  return out;
}

inline constexpr char kBaseHeader[] = "kaoedit v1      ";
inline constexpr char kExpansionHeader[] = "kaoeditvt v1    ";

class FaceDataTest : public ::testing::Test {
 protected:
  void UseEdition(int edition) {
    kaocg::SetCurrentInstallation({edition, dir.folder() + "data/", dir.folder()});
  }
  ~FaceDataTest() override { kaocg::SetCurrentInstallation({}); }

  std::string user() const { return dir.folder(); }
  std::filesystem::path BaseFile() const { return dir.path() / "kaoedit.s13"; }
  std::filesystem::path ExpansionFile() const { return dir.path() / "kaoeditvt.s13"; }

  TempDir dir;
};

}  // namespace kaocg_test
