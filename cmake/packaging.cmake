# The Debian package (cpack -G DEB): both programs, the desktop entry, the icons, the manual
# pages, the bash completion and the copyright notice, with Depends read from the libraries
# the programs link. The manual pages are made from the programs' own --help at build time (and
# the completion, src/cli/completion.bash, reads it when asked), so a new subcommand reaches
# both with nothing kept by hand.
include(GNUInstallDirs)

# The Windows build is packed as a zip (cpack -G ZIP): the stripped vesperine-cli.exe, README and
# LICENSE at its top, in a folder named as the zip is.
if(WIN32)
  install(FILES README.md LICENSE DESTINATION .)
  set(CPACK_PACKAGE_NAME vesperine-cli)
  set(CPACK_PACKAGE_FILE_NAME vesperine-cli-${PROJECT_VERSION}-win64)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_STRIP_FILES ON)
  include(CPack)
  return()
endif()

install(FILES cmake/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# A manual page needs the program run on this machine, so none is made in a cross build, nor
# in the instrumented builds, which are never packaged.
find_program(HELP2MAN_PROGRAM help2man)
if(CMAKE_CROSSCOMPILING OR VESPERINE_SANITIZE OR VESPERINE_TSAN OR VESPERINE_FUZZ)
  message(STATUS "Manual pages: not made in a cross or instrumented build")
elseif(NOT HELP2MAN_PROGRAM)
  message(STATUS "Manual pages: not made, help2man is missing (scripts/install-deps.sh installs it)")
else()
  set(man_pages)
  foreach(program vesperine vesperine-cli)
    if(TARGET ${program})
      set(page ${CMAKE_BINARY_DIR}/man/${program}.1.gz)
      add_custom_command(OUTPUT ${page}
        COMMAND bash ${CMAKE_SOURCE_DIR}/docs/man/make_page.sh $<TARGET_FILE:${program}>
                ${CMAKE_SOURCE_DIR}/docs/man/${program}.h2m ${page}
        DEPENDS ${program} docs/man/make_page.sh docs/man/${program}.h2m
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        COMMENT "Manual page ${program}(1) from ${program} --help"
        VERBATIM)
      list(APPEND man_pages ${page})
    endif()
  endforeach()
  if(man_pages)
    add_custom_target(manual_pages ALL DEPENDS ${man_pages})
    install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endif()

set(CPACK_PACKAGE_NAME vesperine)
set(CPACK_PACKAGE_VENDOR "the Vesperine developers")
set(CPACK_PACKAGE_CONTACT "Vesperine developers <dev@vesperine.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "split, mask, checksum and identify ROM dumps")
# Lines as the control file shows them (CPack indents each by one space).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Vesperine is for people who dump, split and verify ROM chips. Its window loads"
  "a ROM image, cuts an area out of it (whole, or the odd or even bytes of an"
  "interleaved chip pair), masks it, shows its size and CRC-32, transforms it,"
  "finds the window whose CRC-32 equals a target and saves the result."
  "vesperine-cli does the same for scripts and batches, and diagnoses, compares,"
  "repairs, hashes and identifies dumps against DAT files.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # vesperine_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Depends from dpkg-shlibdeps (package dpkg-dev)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-ipafont-gothic)  # the panes' fixed-pitch font
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
include(CPack)
