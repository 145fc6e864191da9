#include "tools/kaocgtool/g1t_common.h"

#include <charconv>
#include <fstream>
#include <iterator>

#include "tools/kaocgtool/Command.h"
#include "zfx/BinaryStream.h"
#include "zfx/Messages.h"
#include "zfx/WideText.h"

namespace kaocgtool {

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& data) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) >= 0xFFFFFFFFull) return false;
  data.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(data.data()), size));
}

bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out.flush());
}

bool ReadG1tFile(const std::string& command, const std::string& path, zfx::CG1TFileImpl& file) {
  std::vector<std::uint8_t> data;
  if (!ReadWholeFile(path, data)) {
    Fail(command + ": cannot read " + path);
    return false;
  }
  zfx::CBinaryReaderFromMemory reader(data.data(), static_cast<std::uint32_t>(data.size()));
  if (file.Read(reader) == 0) {
    Fail(command + ": not a readable G1T file: " + path);
    return false;
  }
  return true;
}

bool ParseInt(const std::string& text, int low, int high, int& value) {
  int v = 0;
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || p != end || text.empty() || v < low || v > high) return false;
  value = v;
  return true;
}

std::string ToolkitMessage(std::int32_t code) {
  zfx::RegisterToolkitMessages();
  const wchar_t* text =
      zfx::CMessageTranslatorManager::GetInstance().GetTranslator(zfx::kToolkitMessageCategory).GetMessage(code);
  return zfx::WideToUtf8(text);
}

}  // namespace kaocgtool
