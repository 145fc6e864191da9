#include "platform/Services.h"

#include "platform/File.h"
#include "platform/FileAttributes.h"
#include "platform/Mutex.h"
#include "platform/Path.h"
#include "platform/PersonalFolder.h"
#include "platform/Registry.h"

namespace platform {
namespace {

Services& InForce() {
  static Services services = PosixServices();
  return services;
}

}  // namespace

const Services& PosixServices() {
  static PosixPathResolver paths;
  static FileRegistry registry(DefaultRegistryPath());
  static LockFileMutexes mutexes;
  static XdgPersonalFolder personal;
  static PosixFileAttributes attributes;
  static PosixFiles files;
  static const Services services{&registry, &mutexes, &personal, &attributes, &paths, &files};
  return services;
}

const Services& Current() { return InForce(); }

ScopedServices::ScopedServices(const Services& replacement) : previous_(InForce()) {
  Services& s = InForce();
  if (replacement.registry) s.registry = replacement.registry;
  if (replacement.mutexes) s.mutexes = replacement.mutexes;
  if (replacement.personalFolder) s.personalFolder = replacement.personalFolder;
  if (replacement.attributes) s.attributes = replacement.attributes;
  if (replacement.paths) s.paths = replacement.paths;
  if (replacement.files) s.files = replacement.files;
}

ScopedServices::~ScopedServices() { InForce() = previous_; }

}  // namespace platform
