#include "facedata/Installation.h"

namespace kaocg {
namespace {

Installation& Instance() {
  static Installation installation;
  return installation;
}

}  // namespace

const Installation& CurrentInstallation() { return Instance(); }

void SetCurrentInstallation(const Installation& installation) { Instance() = installation; }

}  // namespace kaocg
