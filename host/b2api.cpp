#include "host/b2api.h"

#include <cstring>

TBeckyAPI* BeckyAPI = nullptr;

namespace {

#define ZELDRIUM_BKA_NAME(result, name, params, use) "BKA_" #name,
const char* const kNames[] = {ZELDRIUM_BKA_FUNCTIONS(ZELDRIUM_BKA_NAME)};
#undef ZELDRIUM_BKA_NAME
static_assert(sizeof(kNames) / sizeof(kNames[0]) == kBeckyFunctionCount);

}  // namespace

TBeckyAPI::TBeckyAPI() { BindHostFunctions(); }

bool TBeckyAPI::BindHostFunctions() {
  if (FModule) return false;
  FModule = GetModuleHandleA(nullptr);
  if (!FModule) return false;
    // One assignment per name keeps the binding order visible and lets each pointer keep its type.
#define ZELDRIUM_BKA_BIND(result, name, params, use)   \
  BKA_##name = reinterpret_cast<decltype(BKA_##name)>( \
      reinterpret_cast<void*>(GetProcAddress(FModule, "BKA_" #name)));
  ZELDRIUM_BKA_FUNCTIONS(ZELDRIUM_BKA_BIND)
#undef ZELDRIUM_BKA_BIND
  return true;
}

void TBeckyAPI::GetCurrentMailID(std::string* id) {
  id->clear();
  // A host that lacks a function the sender search needs gives no current mail rather than a
  // jump through a null pointer.
  const char* current = BKA_GetCurrentMail ? BKA_GetCurrentMail() : nullptr;
  FCurrentMailID = current ? current : "";
  if (FCurrentMailID.empty()) return;
  if (!BKA_GetSource || !BKA_GetSource(FCurrentMailID.c_str())) FCurrentMailID.clear();
  *id = FCurrentMailID;
}

void TBeckyAPI::GetCurrentHeader(const char* name, std::string* value) {
  value->clear();
  if (!BKA_GetSpecifiedHeader) return;
  // Cleared before and terminated after the call: a host that writes nothing, or fills the whole
  // buffer without a terminator, still leaves a text that ends inside the buffer.
  char buffer[kHeaderBufferSize] = {};
  BKA_GetSpecifiedHeader(name, buffer, kHeaderBufferSize);
  buffer[kHeaderBufferSize - 1] = '\0';
  value->assign(buffer, strnlen(buffer, kHeaderBufferSize));
}

FARPROC TBeckyAPI::BoundFunction(int i) const {
  int index = 0;
  FARPROC found = nullptr;
#define ZELDRIUM_BKA_PICK(result, name, params, use) \
  if (index++ == i) found = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(BKA_##name));
  ZELDRIUM_BKA_FUNCTIONS(ZELDRIUM_BKA_PICK)
#undef ZELDRIUM_BKA_PICK
  return found;
}

const char* TBeckyAPI::FunctionName(int i) { return kNames[i]; }
