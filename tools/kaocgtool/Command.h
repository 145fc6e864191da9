// Subcommands of kaocgtool. Each one is a function over its arguments (the
// words after the subcommand's name) that returns the exit status: 0 on
// success, 1 after printing a one-line message on standard error.
#pragma once

#include <string>
#include <vector>

namespace kaocgtool {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

struct Command {
  const char* name;     // "g1t info", "officers list": one or two words
  const char* summary;  // one line for the overview
  const char* usage;    // the text of --help
  CommandFn run;
};

// Adds a command to the table; used through KAOCG_COMMAND at namespace scope.
bool RegisterCommand(const Command& command);

// Prints "kaocgtool: <message>" on standard error and returns 1.
int Fail(const std::string& message);

// True when args holds "--help" or "-h".
bool WantsHelp(const Args& args);

}  // namespace kaocgtool

#define KAOCG_COMMAND_CAT2(a, b) a##b
#define KAOCG_COMMAND_CAT(a, b) KAOCG_COMMAND_CAT2(a, b)
#define KAOCG_COMMAND(...)                                        \
  static const bool KAOCG_COMMAND_CAT(kaocg_registered_, __LINE__) = \
      ::kaocgtool::RegisterCommand(::kaocgtool::Command{__VA_ARGS__})
