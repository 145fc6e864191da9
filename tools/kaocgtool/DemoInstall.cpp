#include "tools/kaocgtool/DemoInstall.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "facedata/Bushou.h"
#include "facedata/FaceMask.h"
#include "facedata/FaceTexture.h"
#include "facedata/ImageArchiveFormat.h"
#include "facedata/LinkArchive.h"
#include "platform/Registry.h"
#include "tools/kaocgtool/DemoPortrait.h"

namespace kaocgtool {
namespace {

namespace fs = std::filesystem;
using namespace kaocg_func;

// Left in DIR so that a later run knows it may rebuild DIR from scratch.
constexpr char kMarkerName[] = ".kaocg-demo";
// The game names its face textures; the name gives the textures the
// extended header that every shipped entry carries.
constexpr wchar_t kShippedTextureName[] = L"DxTexture_Face";
// "InstallInfo" must fit 260 bytes of UTF-16 with its terminator.
constexpr std::size_t kMaxInstallInfoChars = 129;

struct Failure {
  std::string* error;
  bool operator()(const std::string& message) const {
    *error = message;
    return false;
  }
};

// A portrait as the stored face holds it: red, green, blue, alpha of the
// whole texture, drawn on a black canvas and masked.
std::vector<uint8_t> MaskedPortrait(int faceNumber, int faceSize, bool blank) {
  const int side = kFaceGeometry[static_cast<std::size_t>(faceSize)].textureSide;
  std::vector<uint8_t> bgr(static_cast<std::size_t>(side) * side * 3, 0);
  if (!blank) DrawDemoPortrait(faceNumber, faceSize, bgr.data(), side * 3);
  std::vector<uint8_t> rgba(static_cast<std::size_t>(side) * side * 4);
  for (std::size_t i = 0, j = 0; i < bgr.size(); i += 3, j += 4) {
    rgba[j] = bgr[i + 2];
    rgba[j + 1] = bgr[i + 1];
    rgba[j + 2] = bgr[i];
  }
  ApplyFaceMask(faceSize, rgba.data());
  return rgba;
}

// Makes the entries of one face size. The toolkit encodes the first picture;
// when its output is the fixed G1T header followed by the pixels as BGRA,
// which is what the format promises for platform 0, the remaining entries
// are made by putting the pixels behind that header, which is what keeps a
// full installation fast. Otherwise every entry goes through the toolkit.
class EntryFactory {
 public:
  EntryFactory(int faceSize, bool named) : faceSize_(faceSize), named_(named) {
    entrySize_ = kFaceGeometry[static_cast<std::size_t>(faceSize)].entrySize;
    const int side = kFaceGeometry[static_cast<std::size_t>(faceSize)].textureSide;
    pixelBytes_ = static_cast<uint32_t>(side) * static_cast<uint32_t>(side) * 4;
  }

  // Encodes rgba into out (entry size bytes; the bytes after the G1T are
  // zero). False when the toolkit refuses or the result has the wrong size.
  bool Make(const std::vector<uint8_t>& rgba, uint8_t* out) {
    if (!probed_) return Probe(rgba, out);
    if (fast_) {
      std::memcpy(out, header_.data(), header_.size());
      uint8_t* p = out + header_.size();
      for (std::size_t i = 0; i < rgba.size(); i += 4, p += 4) {
        p[0] = rgba[i + 2];
        p[1] = rgba[i + 1];
        p[2] = rgba[i];
        p[3] = rgba[i + 3];
      }
      std::memset(p, 0, entrySize_ - header_.size() - pixelBytes_);
      return true;
    }
    return Slow(rgba, out);
  }

 private:
  bool Slow(const std::vector<uint8_t>& rgba, uint8_t* out) const {
    std::memset(out, 0, entrySize_);
    const int side = kFaceGeometry[static_cast<std::size_t>(faceSize_)].textureSide;
    const uint32_t n = EncodeFaceTexture(rgba, side, side, out, entrySize_,
                                         named_ ? std::wstring(kShippedTextureName) : std::wstring());
    // A shipped entry is exactly one G1T with the extended header; an
    // editable one is the editor's own shorter form.
    const uint32_t expected = pixelBytes_ + (named_ ? kFaceG1TExtendedOverhead : kFaceG1TOverhead);
    return n == expected;
  }

  bool Probe(const std::vector<uint8_t>& rgba, uint8_t* out) {
    probed_ = true;
    if (!Slow(rgba, out)) return false;
    const uint32_t headerBytes = (named_ ? kFaceG1TExtendedOverhead : kFaceG1TOverhead);
    header_.assign(out, out + headerBytes);
    std::vector<uint8_t> mine(entrySize_);
    fast_ = true;
    Make(rgba, mine.data());
    fast_ = std::memcmp(mine.data(), out, entrySize_) == 0;
    return true;
  }

  int faceSize_;
  bool named_;
  uint32_t entrySize_ = 0;
  uint32_t pixelBytes_ = 0;
  bool probed_ = false;
  bool fast_ = false;
  std::vector<uint8_t> header_;
};

// Writes a file sequentially through a large buffer.
class OutFile {
 public:
  explicit OutFile(const fs::path& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_) std::setvbuf(file_, nullptr, _IOFBF, 1 << 22);
  }
  ~OutFile() {
    if (file_) std::fclose(file_);
  }
  bool IsOpen() const { return file_ != nullptr; }
  void Put(const void* data, std::size_t n) {
    if (file_ && std::fwrite(data, 1, n, file_) != n) failed_ = true;
    written_ += n;
  }
  void Zeros(std::size_t n) {
    static const uint8_t zeros[64] = {};
    while (n > 0) {
      const std::size_t k = n < sizeof zeros ? n : sizeof zeros;
      Put(zeros, k);
      n -= k;
    }
  }
  bool Close() {
    if (!file_) return false;
    std::FILE* const file = std::exchange(file_, nullptr);
    return std::fclose(file) == 0 && !failed_;
  }
  std::uint64_t Written() const { return written_; }

 private:
  std::FILE* file_;
  bool failed_ = false;
  std::uint64_t written_ = 0;
};

// The bytes before the first entry, with the info records' two numbers set
// to the visible width and height of a shipped face.
std::vector<uint8_t> ArchivePrefix(const ArchiveConstants& c, bool shipped) {
  std::vector<uint8_t> prefix = BuildLinkPrefix(c);
  if (shipped) {
    const FaceGeometry& g = kFaceGeometry[static_cast<std::size_t>(c.faceSize)];
    for (uint32_t i = 0; i < c.entryCount; ++i) {
      uint8_t* record = prefix.data() + c.infoTableOffset + std::size_t{kLinkInfoRecordBytes} * i;
      StoreLE16(record + 8, static_cast<uint16_t>(g.visibleWidth));
      StoreLE16(record + 10, static_cast<uint16_t>(g.visibleHeight));
    }
  }
  return prefix;
}

bool WriteShippedArchive(const fs::path& path, int edition, int archiveType, int pictures,
                         std::uint64_t* bytes, std::string* error) {
  const ArchiveConstants& c = *FindArchiveConstants(archiveType, edition == 1);
  OutFile out(path);
  if (!out.IsOpen()) return Failure{error}("cannot create " + path.string());
  const std::vector<uint8_t> prefix = ArchivePrefix(c, true);
  out.Put(prefix.data(), prefix.size());

  EntryFactory factory(c.faceSize, true);
  std::vector<uint8_t> entry(c.entrySize), blankEntry(c.entrySize);
  bool haveBlank = false;
  for (uint32_t slot = 0; slot < c.entryCount; ++slot) {
    const int face = ShippedSlotFaceNumber(edition, slot);
    const bool picture = pictures < 0 || slot < static_cast<uint32_t>(pictures);
    if (picture) {
      if (!factory.Make(MaskedPortrait(face, c.faceSize, false), entry.data()))
        return Failure{error}("the texture toolkit refused a portrait for " + path.filename().string());
      out.Put(entry.data(), entry.size());
    } else {
      if (!haveBlank) {
        if (!factory.Make(MaskedPortrait(-1, c.faceSize, true), blankEntry.data()))
          return Failure{error}("the texture toolkit refused a blank face");
        haveBlank = true;
      }
      out.Put(blankEntry.data(), blankEntry.size());
    }
    if (slot + 1 < c.entryCount) out.Zeros(kLinkEntryGap);
  }
  if (out.Written() != ArchiveFileLength(c) || !out.Close())
    return Failure{error}("cannot write " + path.string());
  *bytes += ArchiveFileLength(c);
  return true;
}

// The game's editable archives: every slot a blank face as the editor would
// write it from a black canvas, and no slot marked used.
bool WriteEditableArchive(const fs::path& path, int archiveType, std::uint64_t* bytes, std::string* error) {
  const ArchiveConstants& c = *FindArchiveConstants(archiveType, false);
  OutFile out(path);
  if (!out.IsOpen()) return Failure{error}("cannot create " + path.string());
  const std::vector<uint8_t> prefix = ArchivePrefix(c, false);
  out.Put(prefix.data(), prefix.size());
  EntryFactory factory(c.faceSize, false);
  std::vector<uint8_t> blank(c.entrySize);
  if (!factory.Make(MaskedPortrait(-1, c.faceSize, true), blank.data()))
    return Failure{error}("the texture toolkit refused a blank face");
  for (uint32_t slot = 0; slot < c.entryCount; ++slot) {
    out.Put(blank.data(), blank.size());
    if (slot + 1 < c.entryCount) out.Zeros(kLinkEntryGap);
  }
  out.Zeros(kUsedSlotBitmapBytes);
  if (out.Written() != ArchiveFileLength(c) || !out.Close())
    return Failure{error}("cannot write " + path.string());
  *bytes += ArchiveFileLength(c);
  return true;
}

std::vector<uint8_t> Utf16Value(const std::string& text) {
  // Paths of this system: UTF-8 in, UTF-16LE with a terminator out.
  std::vector<uint8_t> out;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    uint32_t cp = b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra) cp = b & (0x3F >> extra);
    ++i;
    for (; extra > 0 && i < text.size(); --extra, ++i) cp = cp << 6 | (static_cast<unsigned char>(text[i]) & 0x3F);
    auto put = [&](uint32_t u) {
      out.push_back(static_cast<uint8_t>(u));
      out.push_back(static_cast<uint8_t>(u >> 8));
    };
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 | (cp >> 10));
      put(0xDC00 | (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

bool WriteRegistry(const std::string& path, int edition, const std::string& gameFolder, std::string* error) {
  platform::FileRegistry registry(path);
  const std::string editionKey = edition == 1 ? "software\\ZEVA\\Velmora13VT" : "software\\ZEVA\\Velmora13";
  const std::string installKey = editionKey + "\\Install";
  const std::vector<uint8_t> value = Utf16Value(gameFolder);
  // The editor's settings key, which the installed game provides, so that
  // the guide messages' "do not show again" can be stored.
  if (!registry.CreateKey(installKey) || !registry.CreateKey("SOFTWARE\\ZEVA\\VELMORA13VT\\CONFIGS") ||
      !registry.SetValue(installKey, "InstallInfo", platform::kRegSz, value.data(),
                         static_cast<uint32_t>(value.size()))) {
    return Failure{error}("cannot write the registry store " + path + ": " + registry.LastError());
  }
  return true;
}

}  // namespace

int ShippedSlotFaceNumber(int edition, std::uint32_t slot) {
  static std::vector<int> tables[2];
  std::vector<int>& table = tables[edition == 1 ? 1 : 0];
  if (table.empty()) {
    const ArchiveConstants& c = kArchiveConstants[edition == 1 ? 1 : 0][kArchiveShippedLarge];
    const int first = FirstImageNumber(kArchiveShippedLarge, edition == 1);
    table.assign(c.entryCount, -1);
    for (int face = 0; face < 10000; ++face) {
      const int n = FaceToImageNumber(face, kaocg::kFaceSizeLarge, edition) - first;
      if (n >= 0 && static_cast<uint32_t>(n) < c.entryCount && table[static_cast<std::size_t>(n)] < 0)
        table[static_cast<std::size_t>(n)] = face;
    }
  }
  return slot < table.size() ? table[slot] : -1;
}

bool BuildDemoInstallation(const DemoInstallOptions& options, DemoInstallResult* result, std::string* error) {
  std::error_code ec;
  if (options.dir.empty()) return Failure{error}("no folder given");
  fs::path dir = fs::absolute(options.dir, ec);
  if (ec) return Failure{error}("cannot use " + options.dir);
  dir = dir.lexically_normal();
  if (!dir.has_filename()) dir = dir.parent_path();

  // The game's registry value holds at most 129 characters.
  const std::string gameFolder = (dir / "game").string() + "/";
  if (Utf16Value(gameFolder).size() > 2 * (kMaxInstallInfoChars + 1))
    return Failure{error}("the installation folder " + gameFolder + " is longer than the game's registry value allows (" +
                       std::to_string(kMaxInstallInfoChars) + " characters)");

  // DIR is rebuilt from scratch when it is a demo installation already;
  // any other non-empty folder is left alone.
  if (fs::exists(dir, ec)) {
    if (!fs::is_directory(dir, ec)) return Failure{error}(dir.string() + " is not a folder");
    if (fs::exists(dir / kMarkerName, ec)) {
      for (const char* part : {"game", "home"}) {
        fs::remove_all(dir / part, ec);
        if (ec) return Failure{error}("cannot clear the old demo installation in " + dir.string());
      }
    } else if (!fs::is_empty(dir, ec)) {
      return Failure{error}(dir.string() + " is neither empty nor a demo installation");
    }
  }
  const fs::path grp = dir / "game" / "grp";
  const fs::path home = dir / "home";
  const fs::path config = home / ".config" / "ZEVA";
  for (const fs::path& p : {grp, home / "Documents", config}) {
    fs::create_directories(p, ec);
    if (ec) return Failure{error}("cannot create " + p.string());
  }
  if (OutFile marker(dir / kMarkerName); !marker.IsOpen() || !marker.Close())
    return Failure{error}("cannot write in " + dir.string());

  result->gameFolder = gameFolder;
  result->homeFolder = home.string();
  result->registryPath = (config / "registry.reg").string();
  result->environment = "HOME=" + home.string();
  if (!WriteRegistry(result->registryPath, options.edition, result->gameFolder, error)) return false;

  static const char* const kShipped[] = {"KAO_L.s13", "KAO_M.s13", "KAO_S.s13"};
  static const char* const kEditable[] = {"EDIT_KAO_L.S13", "EDIT_KAO_M.S13", "EDIT_KAO_S.S13"};
  for (int k = 0; k < 3; ++k) {
    if (!WriteShippedArchive(grp / kShipped[k], options.edition, kArchiveShippedLarge + k, options.shippedFaces,
                             &result->bytesWritten, error) ||
        !WriteEditableArchive(grp / kEditable[k], kArchiveEditableLarge + k, &result->bytesWritten, error)) {
      return false;
    }
  }
  return true;
}

}  // namespace kaocgtool
