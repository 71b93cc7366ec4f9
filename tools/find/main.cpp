// zeldrium-find: the quick search from the command line, over a mail store without its host.

#include <exception>
#include <new>
#include <string>

#include "console.h"
#include "find_app.h"

int main(int argc, char** argv) {
  using namespace zeldrium::find;
  std::string ignored;
  try {
    return RunFind(ProgramArgs(argc, argv));
  } catch (const std::bad_alloc&) {
    WriteStream(Stream::kErr, "zeldrium-find: out of memory\n", true, &ignored);
  } catch (const std::exception& e) {
    WriteStream(Stream::kErr, std::string("zeldrium-find: ") + e.what() + "\n", true, &ignored);
  }
  return kExitRunError;
}
