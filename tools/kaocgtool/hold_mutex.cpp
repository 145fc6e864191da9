// kaocgtool hold-mutex: holds a named global mutex until interrupted, so
// that with the game's name it stands for a running game.
#include <signal.h>

#include <cstdio>

#include "app/startup/Environment.h"
#include "tools/kaocgtool/Command.h"

namespace kaocgtool {
namespace {

int HoldMutex(const Args& args) {
  if (args.size() != 1 || args[0].empty()) return Fail("usage: hold-mutex NAME");
  // Blocked before the mutex exists, so that an early signal is not lost.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  platform::MutexHandle handle = kaocg::CreateGlobalMutex(args[0]);
  if (!handle)
    return Fail("cannot create the mutex " + std::string(kaocg::kGlobalMutexPrefix) + args[0] +
                " (it exists already)");
  std::printf("holding %s%s; interrupt to release\n", kaocg::kGlobalMutexPrefix, args[0].c_str());
  std::fflush(stdout);
  int sig = 0;
  sigwait(&stop, &sig);
  return 0;
}

KAOCG_COMMAND("hold-mutex", "hold a named global mutex until interrupted",
              "usage: kaocgtool hold-mutex NAME\n"
              "Creates the global mutex NAME (\"Global\\\" is put before it) and holds it\n"
              "until interrupted. With ZEVA_VELMORA_13_MUTEX it stands for a running game.\n",
              &HoldMutex);

}  // namespace
}  // namespace kaocgtool
