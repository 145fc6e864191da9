// Outside readers of PNG files for the tests of kaocgtool's PNG output:
// Python's zlib (a strict check of the chunks, their CRCs and the zlib
// stream with its Adler-32, then the five row filters) and ImageMagick's
// convert. Each is used only when it is installed.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/KaocgTool.h"

namespace pngtest {

struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // rows top first, 3 bytes a pixel
  bool operator==(const RgbPicture&) const = default;
};

inline bool HavePython() { return std::system("python3 -c 'import zlib' >/dev/null 2>&1") == 0; }
inline bool HaveImageMagick() { return std::system("convert -version >/dev/null 2>&1") == 0; }

// Refuses anything but an 8-bit RGB, non-interlaced PNG that is correct in
// every chunk; writes "width height\n" and the rows to the output file.
inline const char kPythonPngReader[] = R"PY(
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
def fail(why):
    sys.stderr.write(why + '\n'); sys.exit(1)
if data[:8] != b'\x89PNG\r\n\x1a\n': fail('signature')
pos, chunks = 8, []
while pos < len(data):
    if pos + 12 > len(data): fail('truncated chunk')
    length, kind = struct.unpack('>I4s', data[pos:pos + 8])
    if length > 0x7FFFFFFF or pos + 12 + length > len(data): fail('chunk length')
    body = data[pos + 8:pos + 8 + length]
    crc, = struct.unpack('>I', data[pos + 8 + length:pos + 12 + length])
    if zlib.crc32(kind + body) != crc: fail('crc of ' + repr(kind))
    chunks.append((kind, body)); pos += 12 + length
kinds = [k for k, _ in chunks]
if kinds[0] != b'IHDR' or kinds[-1] != b'IEND' or kinds.count(b'IHDR') != 1 or kinds.count(b'IEND') != 1: fail('chunk order')
if chunks[-1][1] != b'': fail('IEND data')
w, h, depth, colour, comp, filt, inter = struct.unpack('>IIBBBBB', chunks[0][1])
if len(chunks[0][1]) != 13 or depth != 8 or colour != 2 or comp or filt or inter: fail('IHDR')
d = zlib.decompressobj()
raw = d.decompress(b''.join(b for k, b in chunks if k == b'IDAT'))
if not d.eof or d.unused_data: fail('zlib stream')
stride = w * 3
if len(raw) != h * (stride + 1): fail('raw size')
out, prev = bytearray(), bytearray(stride)
for y in range(h):
    f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = line[i - 3] if i >= 3 else 0
        b = prev[i]
        c = prev[i - 3] if i >= 3 else 0
        if f == 0: p = 0
        elif f == 1: p = a
        elif f == 2: p = b
        elif f == 3: p = (a + b) // 2
        elif f == 4:
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            p = a if pa <= pb and pa <= pc else b if pb <= pc else c
        else: fail('filter type')
        line[i] = (line[i] + p) & 0xFF
    out += line; prev = line
open(sys.argv[2], 'wb').write(b'%d %d\n' % (w, h) + bytes(out))
)PY";

inline bool ReadDecoded(const std::string& path, RgbPicture& picture) {
  std::ifstream in(path, std::ios::binary);
  if (!(in >> picture.width >> picture.height) || in.get() != '\n') return false;
  picture.rgb.assign(std::istreambuf_iterator<char>(in), {});
  return picture.width > 0 && picture.height > 0 &&
         picture.rgb.size() == std::size_t(picture.width) * std::size_t(picture.height) * 3;
}

// Decodes png with the Python reader above; false on any fault it finds.
inline bool DecodeWithPython(const std::string& png, const std::string& scratch, RgbPicture& picture) {
  const std::string script = scratch + ".py", out = scratch + ".rgb";
  std::ofstream(script) << kPythonPngReader;
  const std::string command = "python3 " + kaocg_test::ShellQuote(script) + " " + kaocg_test::ShellQuote(png) +
                              " " + kaocg_test::ShellQuote(out) + " 2>/dev/null";
  return std::system(command.c_str()) == 0 && ReadDecoded(out, picture);
}

// Decodes png with ImageMagick into a binary PPM; false when it refuses it.
inline bool DecodeWithImageMagick(const std::string& png, const std::string& scratch, RgbPicture& picture) {
  const std::string ppm = scratch + ".ppm";
  const std::string command = "convert " + kaocg_test::ShellQuote(png) + " -depth 8 " +
                              kaocg_test::ShellQuote("PPM:" + ppm) + " 2>/dev/null";
  if (std::system(command.c_str()) != 0) return false;
  std::ifstream in(ppm, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  if (!(in >> magic >> picture.width >> picture.height >> maxValue) || magic != "P6" || maxValue != 255 ||
      in.get() == EOF)
    return false;
  picture.rgb.assign(std::istreambuf_iterator<char>(in), {});
  return picture.rgb.size() == std::size_t(picture.width) * std::size_t(picture.height) * 3;
}

}  // namespace pngtest
