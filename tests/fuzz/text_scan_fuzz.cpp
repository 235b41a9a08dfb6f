// The path scans and joins against any bytes, double-byte text included:
// results stay inside their exact 260- or 300-byte buffers and end in a NUL
// there, refusals leave the buffer as it was, and a join or a replaced name
// reads back as the directory and the name it was made of.
#include <cstdint>
#include <cstring>
#include <string>

#include "common/text_scan.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using text::Cp932Next;

// Start offsets of the characters of `s`, as the stepper walks it.
bool IsCharacterStart(const char* s, const char* at) {
  for (const char* p = s; *p != '\0'; p = Cp932Next(p))
    if (p == at) return true;
  return false;
}

bool EndsInLoneLeadByte(const std::string& s) {
  if (s.empty()) return false;
  const char* last = nullptr;
  for (const char* p = s.c_str(); *p != '\0'; p = Cp932Next(p)) last = p;
  return Cp932Next(last) == last + 1 && text::IsCp932LeadByte(static_cast<unsigned char>(*last));
}

bool HasSeparator(const std::string& s) {
  return text::LastSeparator(s.c_str(), Cp932Next, true) != nullptr;
}

void CheckLastSeparator(const std::string& s, bool slash) {
  const char* sep = text::LastSeparator(s.c_str(), Cp932Next, slash);
  if (!sep) {
    if (slash) FUZZ_CHECK(!text::LastSeparator(s.c_str(), Cp932Next, false));
    return;
  }
  FUZZ_CHECK(sep >= s.c_str() && sep < s.c_str() + s.size());
  FUZZ_CHECK(*sep == '\\' || (slash && *sep == '/'));
  FUZZ_CHECK(IsCharacterStart(s.c_str(), sep));
  // Nothing behind it is a separator.
  for (const char* p = Cp932Next(sep); *p != '\0'; p = Cp932Next(p))
    FUZZ_CHECK(!(Cp932Next(p) == p + 1 && (*p == '\\' || (slash && *p == '/'))));
}

// The module-directory scan: what is left is a prefix that ended at a
// separator, or nothing.
void CheckCutAtLastSeparator(const std::string& s, std::size_t capacity) {
  fuzz::GuardedBuffer path(capacity);
  path.Load(s);
  const std::string original = path.data();
  text::CutAtLastSeparator(path.data(), Cp932Next);
  FUZZ_CHECK(path.GuardsIntact());
  FUZZ_CHECK(path.Terminated());
  const std::string cut = path.data();
  FUZZ_CHECK(original.compare(0, cut.size(), cut) == 0);
  const char* sep = text::LastSeparator(original.c_str(), Cp932Next, true);
  FUZZ_CHECK(cut.size() == (sep ? static_cast<std::size_t>(sep - original.c_str()) : 0));
}

void CheckReplaceFileName(const std::string& s, const std::string& name, std::size_t capacity,
                          bool slash) {
  fuzz::GuardedBuffer path(capacity);
  path.Load(s);
  const std::string original = path.data();
  const std::string before = path.Bytes();
  const char* sep = text::LastSeparator(original.c_str(), Cp932Next, slash);
  const std::size_t keep = sep ? static_cast<std::size_t>(sep - original.c_str()) + 1 : 0;
  const bool replaced =
      text::ReplaceFileName(path.data(), capacity, name.c_str(), Cp932Next, slash);
  FUZZ_CHECK(path.GuardsIntact());
  FUZZ_CHECK(path.Terminated());
  FUZZ_CHECK(replaced == (keep + name.size() + 1 <= capacity));
  if (!replaced) {
    FUZZ_CHECK(path.Bytes() == before);
    return;
  }
  FUZZ_CHECK(original.substr(0, keep) + name == path.data());
  // The directory part is found again when the name brings no separator.
  if (!HasSeparator(name)) {
    const char* again = text::LastSeparator(path.data(), Cp932Next, slash);
    FUZZ_CHECK(keep == 0 ? again == nullptr : again == path.data() + keep - 1);
  }
}

void CheckJoinPath(const std::string& s, const std::string& name, std::size_t capacity) {
  fuzz::GuardedBuffer path(capacity);
  path.Load(s);
  const std::string directory = path.data();
  const std::string before = path.Bytes();
  const bool joined = text::JoinPath(path.data(), capacity, name.c_str(), Cp932Next);
  FUZZ_CHECK(path.GuardsIntact());
  const char* last = nullptr;
  for (const char* p = directory.c_str(); *p != '\0'; p = Cp932Next(p)) last = p;
  const bool endsInSeparator =
      last && Cp932Next(last) == last + 1 && (*last == '\\' || *last == '/');
  const std::string separator = directory.empty() || endsInSeparator ? "" : "\\";
  const std::string expected = directory + separator + name;
  FUZZ_CHECK(joined == (expected.size() + 2 <= capacity));
  if (!joined) {
    FUZZ_CHECK(path.Bytes() == before);
    return;
  }
  // path + optional separator + name, closed by two NULs inside the buffer.
  FUZZ_CHECK(path.Bytes().compare(0, expected.size() + 2, expected + '\0' + '\0') == 0);
  // Cutting the name off again gives the directory back (without the
  // separator it ended in), unless the name brings separators of its own or
  // the directory ends in half a double-byte character, which then takes
  // the added separator as its second byte.
  if (!HasSeparator(name) && !directory.empty() && !EndsInLoneLeadByte(directory)) {
    text::CutAtLastSeparator(path.data(), Cp932Next);
    const std::string back =
        endsInSeparator ? directory.substr(0, directory.size() - 1) : directory;
    FUZZ_CHECK(back == path.data());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::uint8_t choice = input.Byte();
  const bool slash = (choice & 1) != 0;
  // Exact path and registry-text sizes, and small ones that refuse often.
  const std::size_t capacities[] = {260, 300, 1 + (choice >> 1) % 24u};
  const std::string path = input.Text();
  const std::string name = input.Text();

  CheckLastSeparator(path, slash);
  for (std::size_t capacity : capacities) {
    CheckCutAtLastSeparator(path, capacity);
    CheckReplaceFileName(path, name, capacity, slash);
    CheckJoinPath(path, name, capacity);
  }
  return 0;
}
