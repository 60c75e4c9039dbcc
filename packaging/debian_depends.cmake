# Run by cpack once the package's files are staged (CPACK_PRE_BUILD_SCRIPTS): adds to Depends
# the Debian packages of the libraries that the programs and the frame server link, as
# dpkg-shlibdeps finds them.
#
# CPack's own CPACK_DEBIAN_PACKAGE_SHLIBDEPS does the same, but it also takes any shared
# object under /usr/lib for a public library and gives the package an ldconfig call in postinst
# and postrm. Our frame server is private (/usr/lib/brevanta/, loaded by path); and a package
# with a postrm stays in dpkg's database after "apt remove" until it is purged.
find_program(DPKG_SHLIBDEPS_EXECUTABLE dpkg-shlibdeps REQUIRED)

file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
set(elf_files)
foreach(f IN LISTS staged)
  file(READ "${f}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    list(APPEND elf_files "${f}")
  endif()
endforeach()

# dpkg-shlibdeps reads the package's name from debian/control in its working folder.
set(work "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(WRITE "${work}/debian/control" "Source: brevanta\n\nPackage: brevanta\nArchitecture: any\n")
execute_process(COMMAND "${DPKG_SHLIBDEPS_EXECUTABLE}" -O ${elf_files}
  WORKING_DIRECTORY "${work}" RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT output MATCHES "^shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps failed (${result}): ${errors}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}, ${CMAKE_MATCH_1}")
