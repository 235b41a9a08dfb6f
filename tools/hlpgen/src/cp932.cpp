#include "cp932.h"

#include <cerrno>
#include <iconv.h>

namespace hlpgen {
namespace {

// glibc's own CP932 converter (a gconv module of libc6): it does not depend
// on the host's locale settings, only on the converter tables glibc ships.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw EncodingError(std::string("iconv cannot convert from ") + from + " to " + to);
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Returns false at the first byte sequence it cannot convert, leaving the
  // offset of that sequence in failedAt.
  bool run(const std::string& in, std::string& out, size_t& failedAt) {
    out.clear();
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, dst - buffer);
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
        failedAt = in.size() - srcLeft;
        return false;
      }
    }
    return true;
  }

 private:
  iconv_t cd_;
};

// The UTF-8 sequence starting at offset, for error messages.
std::string CharacterAt(const std::string& s, size_t offset) {
  size_t end = offset + 1;
  while (end < s.size() && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) ++end;
  return s.substr(offset, end - offset);
}

std::string HexBytes(const std::string& s) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : s) {
    if (!hex.empty()) hex += ' ';
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

}  // namespace

std::string Utf8ToCp932(const std::string& utf8) {
  std::string cp932;
  size_t failedAt = 0;
  Converter forward("CP932", "UTF-8");
  if (!forward.run(utf8, cp932, failedAt)) {
    std::string bad = CharacterAt(utf8, failedAt);
    throw EncodingError("\"" + bad + "\" (bytes " + HexBytes(bad) + ") has no CP932 form");
  }
  std::string back;
  Converter backward("UTF-8", "CP932");
  if (!backward.run(cp932, back, failedAt) || back != utf8) {
    size_t i = 0;
    while (i < utf8.size() && i < back.size() && utf8[i] == back[i]) ++i;
    while (i > 0 && (static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80) --i;
    std::string bad = CharacterAt(utf8, i);
    throw EncodingError("\"" + bad + "\" (bytes " + HexBytes(bad) +
                        ") would read back as a different character in CP932");
  }
  return cp932;
}

std::string Cp932ToUtf8(const std::string& cp932) {
  std::string utf8;
  size_t failedAt = 0;
  Converter backward("UTF-8", "CP932");
  if (!backward.run(cp932, utf8, failedAt))
    throw EncodingError("invalid CP932 byte sequence at offset " + std::to_string(failedAt));
  return utf8;
}

}  // namespace hlpgen
