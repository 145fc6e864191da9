// kaocgtool archive info: what a LINK face archive holds, and which of the
// editor's archives it is.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "facedata/ImageArchiveFormat.h"
#include "facedata/LinkArchive.h"
#include "tools/kaocgtool/Command.h"

namespace kaocgtool {
namespace {

using namespace kaocg_func;

const char* const kArchiveNames[kImageArchiveTypeCount] = {
    "KAO_L.s13 (shipped large faces)",  "KAO_M.s13 (shipped medium faces)",
    "KAO_S.s13 (shipped small faces)",  "EDIT_KAO_L.s13 (editable large faces)",
    "EDIT_KAO_M.s13 (editable medium faces)", "EDIT_KAO_S.s13 (editable small faces)",
};

int ArchiveInfo(const Args& args) {
  if (args.size() != 1) return Fail("usage: kaocgtool archive info FILE");
  std::ifstream file(args[0], std::ios::binary);
  if (!file) return Fail("cannot open " + args[0]);
  file.seekg(0, std::ios::end);
  const std::streamoff length = file.tellg();
  file.seekg(0);
  if (length < 0) return Fail("cannot read " + args[0]);

  // The header first, then exactly as much of the file as its index needs.
  std::vector<uint8_t> bytes(kLinkHeaderBytes);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  LinkHeader header{};
  LinkParseError e = DecodeLinkHeader(bytes.data(), bytes.size(), &header);
  if (e != LinkParseError::kNone) return Fail(args[0] + ": " + LinkParseErrorText(e));
  const uint64_t indexBytes = uint64_t{kLinkIndexRecordBytes} * std::min(header.entryCount, kMaxLinkEntries);
  bytes.resize(kLinkHeaderBytes + indexBytes);
  file.read(reinterpret_cast<char*>(bytes.data()) + kLinkHeaderBytes, static_cast<std::streamsize>(indexBytes));
  bytes.resize(kLinkHeaderBytes + static_cast<std::size_t>(file.gcount()));
  std::vector<LinkIndexRecord> records;
  e = DecodeLinkIndex(bytes.data(), bytes.size(), &header, &records);

  std::printf("file size          %lld\n", static_cast<long long>(length));
  std::printf("magic              LINK\n");
  std::printf("entry count        %u\n", header.entryCount);
  std::printf("constant           %u\n", header.constant32);
  std::printf("second count       %u\n", header.secondCount);
  std::printf("info table offset  %u\n", header.infoTableOffset);
  if (e != LinkParseError::kNone) return Fail(args[0] + ": " + LinkParseErrorText(e));

  uint32_t entrySize = 0;
  if (!records.empty()) {
    const auto [lo, hi] = std::minmax_element(records.begin(), records.end(),
                                              [](const auto& a, const auto& b) { return a.offset < b.offset; });
    entrySize = records[0].size;
    std::printf("entries            %zu\n", records.size());
    std::printf("entry offsets      %u to %u\n", lo->offset, hi->offset);
    std::printf("entry size         %u\n", entrySize);
    const bool allSame = std::all_of(records.begin(), records.end(), [&](const auto& r) { return r.size == entrySize; });
    if (!allSame) std::printf("                   (the index records do not all carry the same size)\n");
    const auto beyond = std::count_if(records.begin(), records.end(), [&](const auto& r) {
      return uint64_t{r.offset} + r.size > static_cast<uint64_t>(length);
    });
    if (beyond) std::printf("entries past end   %td\n", beyond);
  }

  const std::vector<ArchiveMatch> matches = MatchArchiveConstants(header, entrySize);
  if (matches.empty()) {
    std::printf("archive            none of the editor's archives\n");
    return 0;
  }
  const ArchiveMatch& m = matches[0];
  const ArchiveConstants& c = *FindArchiveConstants(m.archiveType, m.expansion);
  std::printf("archive            type %d, %s\n", m.archiveType, kArchiveNames[m.archiveType]);
  std::printf("edition            %s\n", matches.size() > 1 ? "both" : m.expansion ? "expansion" : "base game");
  const uint64_t expected = ArchiveFileLength(c);
  std::printf("expected size      %llu%s\n", static_cast<unsigned long long>(expected),
              static_cast<uint64_t>(length) == expected ? "" : " (differs)");
  if (c.editable) {
    const uint64_t at = UsedSlotBitmapOffset(c);
    uint8_t used[kUsedSlotBitmapBytes] = {};
    file.clear();
    file.seekg(static_cast<std::streamoff>(at));
    file.read(reinterpret_cast<char*>(used), sizeof used);
    if (file.gcount() != static_cast<std::streamsize>(sizeof used)) {
      std::printf("used slots         unknown (the used-slot bitmap is missing)\n");
    } else {
      int count = 0;
      std::string list;
      for (uint32_t i = 0; i < kUserSlotCount; ++i) {
        if (used[i / 8] & (1u << (i % 8))) {
          ++count;
          if (count <= 20) list += (list.empty() ? "" : " ") + std::to_string(i);
        }
      }
      std::printf("used slots         %d%s%s%s\n", count, count ? " (" : "", list.c_str(),
                  count > 20 ? " ...)" : count ? ")" : "");
    }
  }
  return 0;
}

KAOCG_COMMAND("archive info", "the header, index and kind of a LINK face archive",
              "usage: kaocgtool archive info FILE\n"
              "\n"
              "Prints the LINK header fields, the entry count, the range of the entry\n"
              "offsets, which of the six face archives and which edition the header's\n"
              "constants match, and for an editable archive the number of used slots\n"
              "(with the first of them).\n",
              &ArchiveInfo);

}  // namespace
}  // namespace kaocgtool
