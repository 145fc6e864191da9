#include "tools/kaocgtool/g1t_common.h"

#include <charconv>
#include <fstream>
#include <iterator>

#include "zfx/Messages.h"

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
  std::string out;
  for (const wchar_t* p = text; p && *p; ++p) {
    const char32_t c = static_cast<char32_t>(*p);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace kaocgtool
