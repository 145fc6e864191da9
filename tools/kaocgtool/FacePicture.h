// Pictures on disk for the face commands: PNG and BMP in through Qt's
// image reader, PNG out. The face data itself stays free of Qt.
#pragma once

#include <string>

class CDIB;

namespace kaocgtool {

// Reads a PNG or BMP file into a 24-bit top-down picture (alpha dropped).
bool LoadPicture24(const std::string& path, CDIB* picture, std::string* error);

// Writes a 32-bit picture (blue, green, red, alpha) as an RGBA PNG.
bool SavePng32(const CDIB& picture, const std::string& path, std::string* error);

}  // namespace kaocgtool
