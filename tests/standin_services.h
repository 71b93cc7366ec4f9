#ifndef ZELDRIUM_TESTS_STANDIN_SERVICES_H_
#define ZELDRIUM_TESTS_STANDIN_SERVICES_H_

// Tests only: what the windows are handed, as the plug-in gets it inside a test program that
// exports the stand-in host's BKA_ functions: the host's functions bound from this process, and
// the disk.

#include <memory>

#include "host/b2api.h"
#include "host/becky_mail_host.h"
#include "store/file_system.h"

namespace testutil {

struct StandinServices {
  TBeckyAPI api;
  TBeckyMailHost host{api};
  std::unique_ptr<zeldrium::FileSystem> fs = zeldrium::NewNativeFileSystem();
};

}  // namespace testutil

#endif  // ZELDRIUM_TESTS_STANDIN_SERVICES_H_
