// The registry store's parser on hostile files: it must never read out of
// bounds, and whatever it accepts must survive a write and a re-read
// unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<platform::RegistryKey> keys;
  std::string error;
  if (!platform::ParseRegistryExport(bytes, &keys, &error)) return 0;
  const std::string text = platform::FormatRegistryExport(keys);
  std::vector<platform::RegistryKey> again;
  if (!platform::ParseRegistryExport(text, &again, &error)) std::abort();
  if (platform::FormatRegistryExport(again) != text) std::abort();
  return 0;
}
