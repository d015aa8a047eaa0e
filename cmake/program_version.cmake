# The program's version as a header, from the project's version: the banner and --version
# print it, so a release changes one line (project() in the top CMakeLists.txt).
configure_file(${CMAKE_SOURCE_DIR}/cmake/program_version.h.in
  ${CMAKE_BINARY_DIR}/generated/shell/program_version.h @ONLY)
