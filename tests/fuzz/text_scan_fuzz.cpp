// The path scans and joins against any UTF-16 text, surrogates and lone
// surrogates included: results stay inside their exact 260- or 300-unit
// buffers and end in a NUL there, refusals leave the buffer as it was, and
// a join or a replaced name reads back as the directory and the name it was
// made of.
#include <cstdint>
#include <string>

#include "common/text_scan.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using Text = std::u16string;

bool IsSeparator(char16_t c, bool slash) { return c == u'\\' || (slash && c == u'/'); }

// Where the last separator is, found the plain way.
std::size_t LastSeparatorAt(const Text& s, bool slash) {
  for (std::size_t i = s.size(); i > 0; --i)
    if (IsSeparator(s[i - 1], slash)) return i - 1;
  return Text::npos;
}

bool HasSeparator(const Text& s) { return LastSeparatorAt(s, true) != Text::npos; }

void CheckLastSeparator(const Text& s, bool slash) {
  const char16_t* sep = text::LastSeparator(s.c_str(), slash);
  const std::size_t at = LastSeparatorAt(s, slash);
  FUZZ_CHECK(sep ? static_cast<std::size_t>(sep - s.c_str()) == at : at == Text::npos);
}

// The module-directory scan: what is left is a prefix that ended at a
// separator, or nothing.
void CheckCutAtLastSeparator(const Text& s, std::size_t capacity) {
  fuzz::GuardedText path(capacity);
  path.Load(s);
  const Text original = path.String();
  text::CutAtLastSeparator(path.data());
  FUZZ_CHECK(path.GuardsIntact());
  FUZZ_CHECK(path.Terminated());
  const std::size_t at = LastSeparatorAt(original, true);
  FUZZ_CHECK(path.String() == original.substr(0, at == Text::npos ? 0 : at));
}

void CheckReplaceFileName(const Text& s, const Text& name, std::size_t capacity, bool slash) {
  fuzz::GuardedText path(capacity);
  path.Load(s);
  const Text original = path.String();
  const Text before = path.Contents();
  const std::size_t at = LastSeparatorAt(original, slash);
  const std::size_t keep = at == Text::npos ? 0 : at + 1;
  const bool replaced = text::ReplaceFileName(path.data(), capacity, name.c_str(), slash);
  FUZZ_CHECK(path.GuardsIntact());
  FUZZ_CHECK(path.Terminated());
  FUZZ_CHECK(replaced == (keep + name.size() + 1 <= capacity));
  if (!replaced) {
    FUZZ_CHECK(path.Contents() == before);
    return;
  }
  FUZZ_CHECK(original.substr(0, keep) + name == path.String());
  // The directory part is found again when the name brings no separator.
  if (!HasSeparator(name)) {
    const char16_t* again = text::LastSeparator(path.data(), slash);
    FUZZ_CHECK(keep == 0 ? again == nullptr : again == path.data() + keep - 1);
  }
}

void CheckJoinPath(const Text& s, const Text& name, std::size_t capacity) {
  fuzz::GuardedText path(capacity);
  path.Load(s);
  const Text directory = path.String();
  const Text before = path.Contents();
  const bool joined = text::JoinPath(path.data(), capacity, name.c_str());
  FUZZ_CHECK(path.GuardsIntact());
  const bool endsInSeparator = !directory.empty() && IsSeparator(directory.back(), true);
  const Text separator = directory.empty() || endsInSeparator ? u"" : u"\\";
  const Text expected = directory + separator + name;
  FUZZ_CHECK(joined == (expected.size() + 2 <= capacity));
  if (!joined) {
    FUZZ_CHECK(path.Contents() == before);
    return;
  }
  // path + optional separator + name, closed by two NULs inside the buffer.
  FUZZ_CHECK(path.Contents().compare(0, expected.size() + 2, expected + u'\0' + u'\0') == 0);
  // Cutting the name off again gives the directory back (without the
  // separator it ended in), unless the name brings separators of its own.
  if (!HasSeparator(name) && !directory.empty()) {
    text::CutAtLastSeparator(path.data());
    const Text back = endsInSeparator ? directory.substr(0, directory.size() - 1) : directory;
    FUZZ_CHECK(back == path.String());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const std::uint8_t choice = input.Byte();
  const bool slash = (choice & 1) != 0;
  // Exact path and registry-text sizes, and small ones that refuse often.
  const std::size_t capacities[] = {260, 300, 1 + (choice >> 1) % 24u};
  const Text path = input.Units();
  const Text name = input.Units();

  CheckLastSeparator(path, slash);
  for (std::size_t capacity : capacities) {
    CheckCutAtLastSeparator(path, capacity);
    CheckReplaceFileName(path, name, capacity, slash);
    CheckJoinPath(path, name, capacity);
  }
  return 0;
}
