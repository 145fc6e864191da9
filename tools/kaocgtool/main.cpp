#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/kaocgtool/Command.h"

namespace kaocgtool {
namespace {

// Function-local so that registration from other files' static initialisers
// never sees an unconstructed table.
std::vector<Command>& Table() {
  static std::vector<Command> table;
  return table;
}

int PrintOverview(std::FILE* out) {
  std::fprintf(out, "usage: kaocgtool COMMAND [ARGS...]\n\ncommands:\n");
  auto commands = Table();
  std::sort(commands.begin(), commands.end(),
            [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
  for (const Command& c : commands) std::fprintf(out, "  %-22s %s\n", c.name, c.summary);
  std::fprintf(out, "\nkaocgtool COMMAND --help shows a command's usage.\n");
  return out == stdout ? 0 : 1;
}

}  // namespace

bool RegisterCommand(const Command& command) {
  Table().push_back(command);
  return true;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kaocgtool: %s\n", message.c_str());
  return 1;
}

bool WantsHelp(const Args& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& a) { return a == "--help" || a == "-h"; });
}

}  // namespace kaocgtool

int main(int argc, char** argv) {
  using namespace kaocgtool;
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) return PrintOverview(stderr);
  if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") return PrintOverview(stdout);

  // The longest registered name that the words start with wins, so that
  // "g1t info" is found before a plain "g1t".
  const Command* best = nullptr;
  std::size_t best_words = 0;
  for (const Command& c : Table()) {
    std::vector<std::string> name_words;
    for (const char *p = c.name, *q; *p; p = *q ? q + 1 : q) {
      q = std::strchr(p, ' ');
      if (!q) q = p + std::strlen(p);
      name_words.emplace_back(p, q);
    }
    if (name_words.size() > words.size() || name_words.size() <= best_words) continue;
    if (std::equal(name_words.begin(), name_words.end(), words.begin())) {
      best = &c;
      best_words = name_words.size();
    }
  }
  if (!best) return Fail("unknown command '" + words[0] + "' (kaocgtool --help lists them)");
  Args args(words.begin() + static_cast<std::ptrdiff_t>(best_words), words.end());
  if (WantsHelp(args)) {
    std::fputs(best->usage, stdout);
    return 0;
  }
  return best->run(args);
}
