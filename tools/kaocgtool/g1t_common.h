// Helpers shared by the "g1t" subcommands: whole-file input and output, a
// G1T file read for a command, number arguments and the toolkit's wide
// messages on standard error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zfx/G1TFile.h"

namespace kaocgtool {

// Reads a whole file; false when it cannot be read or exceeds the 32-bit
// sizes the binary streams address.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& data);
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& data);

// Reads and parses the G1T file at path; on failure reports it as command's
// one line on standard error and returns false.
bool ReadG1tFile(const std::string& command, const std::string& path, zfx::CG1TFileImpl& file);

// A decimal integer in [low, high]; false for anything else.
bool ParseInt(const std::string& text, int low, int high, int& value);

// The toolkit message of a reported code as UTF-8, in the user's language.
std::string ToolkitMessage(std::int32_t code);

}  // namespace kaocgtool
