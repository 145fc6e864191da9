// Runs the built kaocgtool as a program, for the tests of its commands. The
// test binary defines KAOCGTOOL_PATH (see tests/tools/CMakeLists.txt).
#pragma once

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kaocg_test {

struct KaocgToolRun {
  int status = -1;  // the exit status; -1 when the program did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

// A word for the shell, whatever characters it holds.
inline std::string ShellQuote(const std::string& word) {
  std::string q = "'";
  for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs kaocgtool with arguments, a shell command line (quote paths with
// ShellQuote), and collects its two output streams apart. environment, when
// given, is the words for env(1) that set up the tool's surroundings, e.g.
// "-u XDG_CONFIG_HOME HOME=/tmp/x".
inline KaocgToolRun RunKaocgTool(const std::string& arguments, const std::string& environment = {}) {
  KaocgToolRun r;
  std::string errPath = (std::filesystem::temp_directory_path() / "kaocgtool-err-XXXXXX").string();
  const int fd = ::mkstemp(errPath.data());
  if (fd < 0) return r;
  ::close(fd);
  const std::string command = (environment.empty() ? std::string() : "env " + environment + " ") +
                              ShellQuote(KAOCGTOOL_PATH) + " " + arguments + " 2>" + ShellQuote(errPath);
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) r.out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::ifstream in(errPath, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  r.err = s.str();
  std::error_code ec;
  std::filesystem::remove(errPath, ec);
  return r;
}

}  // namespace kaocg_test
