// Reading a setting: a stored value of any type and size, as the registry
// hands it over, against the player's 4-byte destinations and against other
// capacities. Only a value that fits is taken, whole; anything else leaves
// the destination as it was, and nothing is ever written past it.
#include <cstdint>
#include <cstring>
#include <string>

#include "settings/setting_rules.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

void CheckTake(const std::string& stored, std::size_t capacity) {
  fuzz::GuardedBuffer destination(capacity);
  const std::string before = destination.Contents();
  const bool taken =
      settings::TakeStoredValue(stored.data(), static_cast<std::uint32_t>(stored.size()),
                                destination.data(), static_cast<std::uint32_t>(capacity));
  FUZZ_CHECK(destination.GuardsIntact());
  FUZZ_CHECK(taken == (stored.size() <= capacity));
  FUZZ_CHECK(taken == settings::StoredValueFits(static_cast<std::uint32_t>(stored.size()),
                                                static_cast<std::uint32_t>(capacity)));
  if (!taken) {
    FUZZ_CHECK(destination.Contents() == before);
    return;
  }
  const std::string after = destination.Contents();
  FUZZ_CHECK(after.compare(0, stored.size(), stored) == 0);
  FUZZ_CHECK(after.compare(stored.size(), std::string::npos, before, stored.size(),
                           std::string::npos) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks a further capacity; the rest is the stored value,
  // NUL bytes and all, up to the largest value the settings key reads.
  const std::size_t otherCapacity = size > 0 ? data[0] % 17u : 0;
  std::string stored(reinterpret_cast<const char*>(data), size);
  if (!stored.empty()) stored.erase(0, 1);
  if (stored.size() > settings::kLargestStoredValue) stored.resize(settings::kLargestStoredValue);

  CheckTake(stored, 4);
  CheckTake(stored, otherCapacity);
  CheckTake(stored, settings::kLargestStoredValue);
  return 0;
}
