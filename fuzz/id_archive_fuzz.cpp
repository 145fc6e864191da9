// The face CG ID archive reader on hostile files, over a file held in
// memory: it must never read out of bounds, and a table it reads must keep
// every entry beyond the records of the edition.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "facedata/KaoCGArchive.h"
#include "platform/File.h"

namespace {

class MemoryFile final : public platform::File {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t Read(void* buffer, std::size_t n) override {
    const std::size_t k = n < size_ - pos_ ? n : size_ - pos_;
    std::memcpy(buffer, data_ + pos_, k);
    pos_ += k;
    return k;
  }
  bool Write(const void*, std::size_t) override { return false; }
  bool Seek(std::uint64_t p) override {
    if (p > size_) return false;
    pos_ = static_cast<std::size_t>(p);
    return true;
  }
  std::int64_t Length() override { return static_cast<std::int64_t>(size_); }
  bool Flush() override { return true; }
  bool WriteFailed() const override { return false; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (int expansion = 0; expansion < 2; ++expansion) {
    std::int32_t table[kaocg_func::kIdTableSize];
    for (std::int32_t& v : table) v = -7;
    MemoryFile file(data, size);
    kaocg_func::CKaoCGIDArchive archive(table, expansion);
    archive.Attach(&file);
    archive.SetMode(kaocg_func::kModeRead);
    if (archive.SerializeHeader()) archive.SerializeBody();
    archive.Detach();
    const int records = expansion ? kaocg_func::kIdRecordsExpansion : kaocg_func::kIdRecordsBase;
    for (int i = records; i < kaocg_func::kIdTableSize; ++i)
      if (table[i] != -7) std::abort();
  }
  return 0;
}
