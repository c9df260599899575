#pragma once
// A system library loaded when it is first needed (dlopen), rather than named in the program so
// that every start maps and relocates it, and the functions of it that a service calls, looked up
// by name into that service's table. Linux only: each service keeps one table for the process.
#include <dlfcn.h>

namespace mrv {

// Looks `name` up in `library` into `out`; false when the library lacks it.
template <typename F>
bool LookUpFunction(void* library, const char* name, F& out) {
  out = reinterpret_cast<F>(::dlsym(library, name));
  return out != nullptr;
}

// The library by its versioned file name, loaded for the rest of the process (RTLD_LOCAL: its
// names do not join the program's); null when the system does not have it.
inline void* LoadSystemLibrary(const char* soname) { return ::dlopen(soname, RTLD_NOW | RTLD_LOCAL); }

// A service's table of functions, `Library`, filled by `lookUp(library, table)` (true when every
// function was found) from the library `soname`; null when the library or a function is missing.
// Called once per table, from the initialiser of a function's static pointer to it.
template <typename Library, typename LookUp>
const Library* LoadLibraryFunctions(const char* soname, LookUp lookUp) {
  void* library = LoadSystemLibrary(soname);
  if (!library) return nullptr;
  static Library table;
  return lookUp(library, table) ? &table : nullptr;
}

}  // namespace mrv
