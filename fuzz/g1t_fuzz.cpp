// Feeds arbitrary bytes to the G1T reader and, for a file that was read,
// decodes every texture into both image kinds, validates it and writes it
// again; the written file must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "zfx/BinaryStream.h"
#include "zfx/G1TFile.h"
#include "zfx/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  zfx::CG1TFileImpl file;
  zfx::CBinaryReaderFromMemory reader(data, static_cast<std::uint32_t>(size));
  if (file.Read(reader) == 0) return 0;
  for (std::uint32_t i = 0; i < file.GetTextureCount(); ++i) {
    zfx::CImage floats;
    zfx::CClassicImage bytes;
    file.GetImage(file.GetTexture(static_cast<std::int32_t>(i)), floats);
    file.GetImage(file.GetTexture(static_cast<std::int32_t>(i)), bytes);
  }
  file.Validate();
  zfx::CBinaryWriterForUpdateSize counter;
  const std::uint32_t needed = file.Write(counter);
  if (needed == 0) return 0;
  std::vector<std::uint8_t> out(needed);
  zfx::CBinaryWriterToMemory writer(out.data(), needed);
  // The counting pass promised exactly this many bytes.
  if (file.Write(writer) != needed) std::abort();
  zfx::CG1TFileImpl again;
  zfx::CBinaryReaderFromMemory reread(out.data(), needed);
  again.Read(reread);
  return 0;
}
