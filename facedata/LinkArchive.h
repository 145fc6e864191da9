// Byte-level reading and writing of LINK archive headers and indexes, for
// the tools that inspect or build whole archives. The editor's own transfers
// go through CKaoCGImageArchive, one field at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "facedata/ImageArchiveFormat.h"

namespace kaocg_func {

// An index larger than this is refused before anything is allocated; the
// largest real archive has 1,598 entries.
inline constexpr uint32_t kMaxLinkEntries = 65536;

enum class LinkParseError {
  kNone,
  kTruncated,      // fewer bytes than the header or the index needs
  kBadMagic,       // not "LINK"
  kBadLayout,      // constant not 32, counts disagree, info table inside the index
  kTooManyEntries, // more than kMaxLinkEntries
};

const char* LinkParseErrorText(LinkParseError error);

// Decodes the 32-byte header from the first bytes of data.
LinkParseError DecodeLinkHeader(const uint8_t* data, std::size_t size, LinkHeader* header);

// Decodes the header and the whole index. The index must lie inside data.
LinkParseError DecodeLinkIndex(const uint8_t* data, std::size_t size, LinkHeader* header,
                               std::vector<LinkIndexRecord>* records);

void EncodeLinkHeader(const LinkHeader& header, uint8_t out[kLinkHeaderBytes]);

// The header an archive of these constants carries.
LinkHeader MakeLinkHeader(const ArchiveConstants& constants);

// Which archive type and edition have these header values and entry size
// (the size the index records carry), if any.
struct ArchiveMatch {
  int archiveType;
  bool expansion;
};
std::vector<ArchiveMatch> MatchArchiveConstants(const LinkHeader& header, uint32_t entrySize);

// The bytes of an archive before its first entry: header, index with the
// computed offsets and the entry size, and a zeroed info table, padded with
// zeros to the first entry offset.
std::vector<uint8_t> BuildLinkPrefix(const ArchiveConstants& constants);

// Little-endian helpers over byte buffers; the caller guarantees the bytes.
inline uint32_t LoadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
inline void StoreLE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace kaocg_func
