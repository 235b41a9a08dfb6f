// UTF-8 <-> code page 932 for the help file, its contents file and its
// source copy: the help viewer on a Japanese desktop reads 8-bit text only.
#pragma once

#include <stdexcept>
#include <string>

namespace hlpgen {

class EncodingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Converts UTF-8 text to CP932 bytes. Throws EncodingError for malformed
// UTF-8 and for characters that CP932 cannot hold or would hand back as a
// different character (U+00A5 becoming a backslash, for example), so that
// what the viewer shows is exactly what the source says.
std::string Utf8ToCp932(const std::string& utf8);

// Converts CP932 bytes back to UTF-8; throws EncodingError on bytes that
// are not valid CP932.
std::string Cp932ToUtf8(const std::string& cp932);

}  // namespace hlpgen
