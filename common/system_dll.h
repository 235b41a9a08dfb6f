// System DLLs from the system folder, and nothing from the program's own.
//
// Windows looks for a DLL that is not a known DLL in the program's folder
// first, and these programs are often started from a downloads folder,
// where anything can stand beside them. So they import only known DLLs
// (tests/shipped/known-dlls.txt), load the others here by full path, and
// take the program's folder out of the search for everything else that
// loads a DLL by name, where Windows can (see system_dll.cpp).
#pragma once
#include <windows.h>

namespace sysdll {

// Loads `name` from the system folder; nullptr when it cannot.
HMODULE Load(const wchar_t* name);

// A function of a loaded DLL by name, as its declared type; nullptr when
// the DLL or the function is missing.
template <typename Function>
Function Find(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

}  // namespace sysdll
