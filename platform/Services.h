// The platform services the process uses. The code reaches them through
// Current(); a test installs fakes for a while with ScopedServices.
#pragma once

namespace platform {

class IRegistry;
class IMutexes;
class IPersonalFolder;
class IFileAttributes;
class IPathResolver;
class IFiles;

struct Services {
  IRegistry* registry = nullptr;
  IMutexes* mutexes = nullptr;
  IPersonalFolder* personalFolder = nullptr;
  IFileAttributes* attributes = nullptr;
  IPathResolver* paths = nullptr;
  IFiles* files = nullptr;
};

// The services in force: the POSIX backends (created at first use, the
// registry store at DefaultRegistryPath()) unless replaced.
const Services& Current();

// The POSIX backends alone.
const Services& PosixServices();

// Replaces the services in force until destroyed; a null member keeps the
// one in force before.
class ScopedServices {
 public:
  explicit ScopedServices(const Services& replacement);
  ~ScopedServices();
  ScopedServices(const ScopedServices&) = delete;
  ScopedServices& operator=(const ScopedServices&) = delete;

 private:
  Services previous_;
};

}  // namespace platform
