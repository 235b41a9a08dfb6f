#!/usr/bin/env python3
"""Include what you use, for the standard library: every std:: name that a
C++ source uses must come from a header that the source (or, for a .cpp, its
own .h) includes itself. Each GCC release pulls fewer headers in through
others (GCC 14 no longer brings <algorithm> with <string> or <memory>), so a
name that merely happens to arrive compiles with one compiler and not the
next. The table holds the names this project's sources use, or are likely
to; names that more than one header declares (std::remove, std::size,
std::move, ...) are left out.

    includes.py FILE...    exits 1 and names each missing header"""
import os
import re
import sys

HEADERS = {
    "algorithm": "sort stable_sort find find_if find_if_not min max minmax min_element max_element "
                 "copy copy_n copy_if equal count count_if all_of any_of none_of reverse fill fill_n "
                 "transform search remove_if unique lower_bound upper_bound binary_search mismatch "
                 "replace replace_if clamp rotate partition for_each lexicographical_compare",
    "numeric": "accumulate iota inner_product partial_sum gcd lcm",
    "string": "string wstring to_string stoi stol stoul stoull getline",
    "string_view": "string_view",
    "vector": "vector",
    "array": "array",
    "map": "map multimap",
    "set": "set multiset",
    "unordered_map": "unordered_map",
    "unordered_set": "unordered_set",
    "deque": "deque",
    "list": "list",
    "memory": "unique_ptr shared_ptr make_unique make_shared",
    "utility": "pair make_pair exchange forward",
    "optional": "optional nullopt",
    "functional": "function",
    "tuple": "tuple tie make_tuple",
    "cstdint": "uint8_t uint16_t uint32_t uint64_t int8_t int16_t int32_t int64_t uintptr_t",
    "cstring": "memcpy memmove memset memcmp memchr strlen strcmp strncmp strchr strrchr strstr strerror",
    "cstdio": "printf fprintf snprintf sprintf fopen fclose fread fwrite fputs puts FILE",
    "cstdlib": "getenv exit abort strtoul strtol atoi malloc free system",
    "stdexcept": "runtime_error logic_error out_of_range invalid_argument",
    "sstream": "ostringstream istringstream stringstream",
    "fstream": "ifstream ofstream fstream",
    "iostream": "cout cerr cin clog",
    "iterator": "back_inserter istreambuf_iterator ostream_iterator distance next prev",
    "filesystem": "filesystem",
    "chrono": "chrono",
    "thread": "thread this_thread",
    "mutex": "mutex lock_guard unique_lock",
    "atomic": "atomic",
    "random": "mt19937 uniform_int_distribution random_device",
    "regex": "regex regex_search regex_match",
    "limits": "numeric_limits",
    "cctype": "isdigit isalpha isspace toupper tolower",
}
# The C forms of the C library's headers count as the <cname> ones; a few
# headers are guaranteed to include others.
ALSO = {
    "cstdint": {"stdint.h"}, "cstring": {"string.h"}, "cstdio": {"stdio.h"},
    "cstdlib": {"stdlib.h"}, "cctype": {"ctype.h"},
}
IMPLIED = {"iostream": {"istream", "ostream", "ios"}, "sstream": {"istream", "ostream", "string"},
           "fstream": {"istream", "ostream"}}
HEADER_OF = {name: header for header, names in HEADERS.items() for name in names.split()}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)
USE = re.compile(r"\bstd::([A-Za-z_][A-Za-z0-9_]*)")


def strip(text):
    """The source without comments and string literals."""
    text = re.sub(r"//[^\n]*|/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r'"(?:\\.|[^"\\\n])*"', '""', text)


def included(path):
    with open(path, encoding="utf-8") as f:
        found = set(INCLUDE.findall(f.read()))
    for header in list(found):
        found |= IMPLIED.get(header, set())
    return found


def missing(path):
    found = included(path)
    stem, ext = os.path.splitext(path)
    if ext == ".cpp" and os.path.exists(stem + ".h"):
        found |= included(stem + ".h")
    with open(path, encoding="utf-8") as f:
        used = {HEADER_OF[n] for n in USE.findall(strip(f.read())) if n in HEADER_OF}
    return sorted(h for h in used if h not in found and not (ALSO.get(h, set()) & found))


def main(paths):
    faults = [(p, h) for p in paths for h in missing(p)]
    for path, header in faults:
        print(f"{path}: uses std:: names of <{header}> without including it", file=sys.stderr)
    if faults:
        return 1
    print(f"includes: {len(paths)} sources include the standard headers of the names they use")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
