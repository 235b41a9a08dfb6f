// The on/off rules of the player's two settings. A setting is stored as 8,
// the check bit of a menu item, so the value doubles as the menu's check
// flag; only exactly 8 counts as on.
#pragma once
#include <cstddef>
#include <cstdint>

namespace settings {

constexpr std::uint32_t kOn = 8;
constexpr std::uint32_t kOff = 0;

bool IsOn(std::uint32_t value);

// 8 becomes 0; anything else (also a hand-edited 9) becomes 8.
std::uint32_t Toggled(std::uint32_t value);

// The value a check box stands for: any checked state is on.
std::uint32_t FromCheckState(unsigned state);

// A stored value is read only when it fits its destination whole; a larger
// one is refused rather than cut, so no setting is made of part of a value.
bool StoredValueFits(std::uint32_t storedSize, std::uint32_t capacity);

// The largest value the settings key reads, whatever its destination: the
// size of a registry text. The read lands in a buffer of this size first, so
// a value that changed between the size query and the read cannot leave
// part of itself in the destination.
constexpr std::uint32_t kLargestStoredValue = 300;

// Takes a value just read (`stored`, `storedSize` bytes as the read reported
// them, of any registry type) into `destination` of `capacity` bytes: whole
// when it fits, so a shorter value fills only the first bytes and leaves the
// rest as it was; a larger one is refused and the destination is untouched.
// Returns false when refused.
bool TakeStoredValue(const void* stored, std::uint32_t storedSize, void* destination,
                     std::uint32_t capacity);

}  // namespace settings
