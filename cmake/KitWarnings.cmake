# Compiler warnings for every target of the kit, as one INTERFACE target.
option(KIT_WARNINGS_AS_ERRORS "Treat compiler warnings as errors (CI turns this on)" OFF)

add_library(kit_warnings INTERFACE)
target_compile_options(kit_warnings INTERFACE
  -Wall           # the common set
  -Wextra         # unused parameters, sign mix-ups in comparisons, ...
  -Wpedantic      # no compiler extensions beyond ISO C++
  -Wshadow        # a local hiding a member or an outer name
  -Wconversion    # silent narrowing, important with 8-, 16- and 32-bit cell values
  -Wsign-conversion
  -Wnon-virtual-dtor
  -Wold-style-cast
  -Wmissing-declarations  # a function meant to be file-local but not marked so, or one without a header
  # g++ 12 reports overlaps inside std::string that cannot happen (GCC bug 105329).
  $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>
  $<$<BOOL:${KIT_WARNINGS_AS_ERRORS}>:-Werror>
)
