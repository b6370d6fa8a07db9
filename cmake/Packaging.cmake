# What `cmake --install` puts under the prefix, and the Debian package that `cpack -G DEB` makes
# from it in the build folder. Included at the end of the top-level CMakeLists.txt, when every
# target is known. Install after a whole build (`cmake --build build`): the compressed manual
# pages and changelog are made by it.
include(GNUInstallDirs)

set(FLYSEAT_MAINTAINER "The flyseat developers <flyseat@example.org>")
set(FLYSEAT_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/flyseat)

# The two commands, and what goes with each; flyseat-inspect is left out with
# -DFLYSEAT_INSPECT=OFF.
set(flyseat_pages ${PROJECT_SOURCE_DIR}/man/flyseat-build.1)
set(flyseat_commands flyseat-build)
if(TARGET flyseat-inspect)
  list(APPEND flyseat_commands flyseat-inspect)
  list(APPEND flyseat_pages ${PROJECT_SOURCE_DIR}/man/flyseat-inspect.1)
  install(FILES completion/flyseat-inspect
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()
install(FILES completion/flyseat-build
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(TARGETS ${flyseat_commands} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cpack, or cmake --install --strip) also drops the compiler's notes, as
# Debian's own packages do.
foreach(command IN LISTS flyseat_commands)
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${command}\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")
endforeach()
install(FILES README.md DESTINATION ${FLYSEAT_DOC_DIR})
install(FILES packaging/copyright DESTINATION ${FLYSEAT_DOC_DIR})
# What the README's links point at, beside it: the sample, the pictures and the documents of
# docs/, and the licence, which is the package's copyright file under the name the README uses.
install(DIRECTORY examples/sample DESTINATION ${FLYSEAT_DOC_DIR}/examples)
install(DIRECTORY docs/ DESTINATION ${FLYSEAT_DOC_DIR}/docs)
install(FILES bench/README.md DESTINATION ${FLYSEAT_DOC_DIR}/bench)
install(FILES dist/flyseat.html DESTINATION ${FLYSEAT_DOC_DIR}/dist)
install(CODE "file(CREATE_LINK copyright
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${FLYSEAT_DOC_DIR}/LICENSE\" SYMBOLIC)")

# Manual pages and the changelog are installed compressed as Debian has them (gzip -9n: no name
# and no time stamp inside, so the same sources make the same package).
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog flyseat_changelog_head LIMIT_COUNT 1)
if(NOT flyseat_changelog_head MATCHES "^flyseat \\(${PROJECT_VERSION}\\) ")
  message(WARNING "packaging/changelog has no entry for version ${PROJECT_VERSION} at its top")
endif()
find_program(FLYSEAT_GZIP gzip)
if(FLYSEAT_GZIP)
  set(compressed)
  foreach(source IN LISTS flyseat_pages ITEMS ${PROJECT_SOURCE_DIR}/packaging/changelog)
    get_filename_component(name ${source} NAME)
    set(copy ${PROJECT_BINARY_DIR}/packaging/${name})
    add_custom_command(OUTPUT ${copy}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
      COMMAND ${FLYSEAT_GZIP} -9nf ${copy}
      DEPENDS ${source}
      VERBATIM)
    list(APPEND compressed ${copy}.gz)
  endforeach()
  add_custom_target(flyseat-compressed-docs ALL DEPENDS ${compressed})
  list(POP_BACK compressed changelog)
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${changelog} DESTINATION ${FLYSEAT_DOC_DIR})
else()
  install(FILES ${flyseat_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES packaging/changelog DESTINATION ${FLYSEAT_DOC_DIR})
endif()

# The Debian package: flyseat_<version>_amd64.deb, its dependencies found by dpkg-shlibdeps
# (dpkg-dev) from the binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME flyseat)
set(CPACK_PACKAGE_CONTACT ${FLYSEAT_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "port an 8-bit game to a two-colour screen and make its tape and disk images")
set(CPACK_PACKAGE_DESCRIPTION [=[
The flyseat-build command is a one-shot build tool for porting a finished
8-bit game. Run as 'flyseat-build [-o OUT] [DIR]' on a folder DIR (the
current one by default) that holds the game's five input files (a disk
loader, two memory dumps, a patch file and a BASIC listing), it reduces the
graphics from a four-colour screen mode to a two-colour one, relocates the
video addresses in the machine code, edits and tokenizes the BASIC program,
and writes two cassette tape images, a raw disk image and a D88 floppy disk
image into DIR, or into the folder OUT. Everything it knows about the game
is compiled in: it asks nothing.

The flyseat-inspect command lists the BASIC program stored in these images,
checks each image against its format, compares two images as a porter reads
them, checks the five inputs before a build, and draws the graphics before
and after the depth reduction as a PNG picture.]=])
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Beside the tools that make and read disk and tape images of other machines.
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The completion scripts are read by bash-completion.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS bash-completion)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# Dated by the last commit: cmake/PackageTime.cmake.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PackageTime.cmake)
set(CPACK_FLYSEAT_SOURCE_DIR ${PROJECT_SOURCE_DIR})
include(CPack)
