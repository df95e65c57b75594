# Run at every build (cmake -P): writes BuildInfo.h with the kit's version, the commit of the
# checkout it is built from and whether that had changes, the compiler and the build type, so that
# reports can say which build took a figure. The file is replaced only when something changed.
#
#   -DSOURCE_DIR= -DOUTPUT= -DVERSION= -DCOMPILER= -DBUILD_TYPE=
set(commit "")
set(changes false)
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                  RESULT_VARIABLE failed)
  if(failed)
    set(commit "")
  else()
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} status --porcelain --untracked-files=no
                    OUTPUT_VARIABLE status ERROR_QUIET)
    if(NOT status STREQUAL "")
      set(changes true)
    endif()
  endif()
endif()

file(WRITE ${OUTPUT}.new "// Written by cmake/KitBuildInfo.cmake at every build; not to be edited.
#pragma once

namespace runner::BuildInfo {

inline constexpr const char* Version = \"${VERSION}\";
inline constexpr const char* GitCommit = \"${commit}\";  // empty when not built from a checkout
inline constexpr bool GitChanges = ${changes};
inline constexpr const char* Compiler = \"${COMPILER}\";
inline constexpr const char* BuildType = \"${BUILD_TYPE}\";

}  // namespace runner::BuildInfo
")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
