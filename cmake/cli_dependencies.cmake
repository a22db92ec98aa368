# Finds the libraries of the command-line host (Debian: libcli11-dev libfmt-dev
# nlohmann-json3-dev libplplot-dev) and sets SHEETSTAT_CLI_DEPENDENCIES_FOUND.
# The library itself needs none of them.
set(SHEETSTAT_CLI_DEPENDENCIES_FOUND OFF)
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 CONFIG QUIET)
  find_package(fmt CONFIG QUIET)
  find_package(nlohmann_json CONFIG QUIET)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(SHEETSTAT_PLPLOT QUIET IMPORTED_TARGET plplot)
  endif()
  if(CLI11_FOUND AND fmt_FOUND AND nlohmann_json_FOUND AND SHEETSTAT_PLPLOT_FOUND)
    set(SHEETSTAT_CLI_DEPENDENCIES_FOUND ON)
  endif()
endif()
