#include "settings/setting_rules.h"

#include <cstring>

namespace settings {

bool IsOn(std::uint32_t value) { return value == kOn; }

std::uint32_t Toggled(std::uint32_t value) { return value == kOn ? kOff : kOn; }

std::uint32_t FromCheckState(unsigned state) { return state != 0 ? kOn : kOff; }

bool StoredValueFits(std::uint32_t storedSize, std::uint32_t capacity) {
  return storedSize <= capacity;
}

bool TakeStoredValue(const void* stored, std::uint32_t storedSize, void* destination,
                     std::uint32_t capacity) {
  if (!StoredValueFits(storedSize, capacity)) return false;
  if (storedSize > 0) std::memcpy(destination, stored, storedSize);
  return true;
}

}  // namespace settings
