#include "facedata/LinkArchive.h"

#include <cstring>

namespace kaocg_func {

const char* LinkParseErrorText(LinkParseError error) {
  switch (error) {
    case LinkParseError::kNone: return "ok";
    case LinkParseError::kTruncated: return "the file ends inside the header or the index";
    case LinkParseError::kBadMagic: return "not a LINK archive";
    case LinkParseError::kBadLayout: return "the header fields do not describe a LINK archive";
    case LinkParseError::kTooManyEntries: return "the entry count is implausibly large";
  }
  return "?";
}

LinkParseError DecodeLinkHeader(const uint8_t* data, std::size_t size, LinkHeader* header) {
  if (size < kLinkHeaderBytes) return LinkParseError::kTruncated;
  LinkHeader h{};
  h.magic = LoadLE32(data);
  h.entryCount = LoadLE32(data + 4);
  h.constant32 = LoadLE32(data + 8);
  h.secondCount = LoadLE32(data + 12);
  h.infoTableOffset = LoadLE32(data + 16);
  std::memcpy(h.reserved, data + 20, sizeof h.reserved);
  *header = h;
  if (h.magic != kLinkMagic) return LinkParseError::kBadMagic;
  return LinkParseError::kNone;
}

LinkParseError DecodeLinkIndex(const uint8_t* data, std::size_t size, LinkHeader* header,
                               std::vector<LinkIndexRecord>* records) {
  records->clear();
  if (LinkParseError e = DecodeLinkHeader(data, size, header); e != LinkParseError::kNone) return e;
  const LinkHeader& h = *header;
  if (h.constant32 != kLinkConstant32 || h.secondCount != h.entryCount) return LinkParseError::kBadLayout;
  if (h.entryCount > kMaxLinkEntries) return LinkParseError::kTooManyEntries;
  // 64-bit arithmetic: the count is capped, so this cannot overflow.
  const uint64_t indexEnd = uint64_t{kLinkHeaderBytes} + uint64_t{kLinkIndexRecordBytes} * h.entryCount;
  if (h.infoTableOffset < indexEnd) return LinkParseError::kBadLayout;
  if (indexEnd > size) return LinkParseError::kTruncated;
  records->resize(h.entryCount);
  for (uint32_t i = 0; i < h.entryCount; ++i) {
    const uint8_t* p = data + kLinkHeaderBytes + std::size_t{kLinkIndexRecordBytes} * i;
    (*records)[i] = {LoadLE32(p), LoadLE32(p + 4)};
  }
  return LinkParseError::kNone;
}

void EncodeLinkHeader(const LinkHeader& h, uint8_t out[kLinkHeaderBytes]) {
  StoreLE32(out, h.magic);
  StoreLE32(out + 4, h.entryCount);
  StoreLE32(out + 8, h.constant32);
  StoreLE32(out + 12, h.secondCount);
  StoreLE32(out + 16, h.infoTableOffset);
  std::memcpy(out + 20, h.reserved, sizeof h.reserved);
}

LinkHeader MakeLinkHeader(const ArchiveConstants& c) {
  LinkHeader h{};
  h.magic = kLinkMagic;
  h.entryCount = c.entryCount;
  h.constant32 = kLinkConstant32;
  h.secondCount = c.entryCount;
  h.infoTableOffset = c.infoTableOffset;
  return h;
}

std::vector<ArchiveMatch> MatchArchiveConstants(const LinkHeader& h, uint32_t entrySize) {
  std::vector<ArchiveMatch> matches;
  if (h.magic != kLinkMagic || h.constant32 != kLinkConstant32) return matches;
  for (int e = 0; e < 2; ++e) {
    for (int t = 0; t < kImageArchiveTypeCount; ++t) {
      const ArchiveConstants& c = kArchiveConstants[static_cast<std::size_t>(e)][static_cast<std::size_t>(t)];
      if (c.entryCount == h.entryCount && c.entryCount == h.secondCount &&
          c.infoTableOffset == h.infoTableOffset && c.entrySize == entrySize) {
        matches.push_back({t, e == 1});
      }
    }
  }
  return matches;
}

std::vector<uint8_t> BuildLinkPrefix(const ArchiveConstants& c) {
  std::vector<uint8_t> bytes(c.firstEntryOffset, 0);
  EncodeLinkHeader(MakeLinkHeader(c), bytes.data());
  for (uint32_t i = 0; i < c.entryCount; ++i) {
    uint8_t* p = bytes.data() + kLinkHeaderBytes + std::size_t{kLinkIndexRecordBytes} * i;
    StoreLE32(p, static_cast<uint32_t>(ComputedEntryOffset(c, i)));
    StoreLE32(p + 4, c.entrySize);
  }
  return bytes;
}

}  // namespace kaocg_func
