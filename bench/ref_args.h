// The reference programs take one file name; a shell may have quoted it.
#pragma once

namespace bench {

inline char* Unquoted(char* commandLine) {
  if (*commandLine != '"') return commandLine;
  char* end = ++commandLine;
  while (*end && *end != '"') ++end;
  *end = '\0';
  return commandLine;
}

}  // namespace bench
