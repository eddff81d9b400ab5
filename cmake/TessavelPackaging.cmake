# What is installed, and the release packages made from it with CPack:
#   Linux:   tessavel-cli and its manual page, as tessavel-cli_VERSION_ARCH.deb
#   Windows: Tessavel.exe, tessavel-cli.exe, README.txt and LICENSE.txt, as
#            Tessavel-VERSION-win64.zip
# Packages carry the project's MAJOR.MINOR.PATCH (2.0.0), the form package
# tools compare; the programs themselves show it as "2.00".
include(GNUInstallDirs)

# Installing (and packaging) takes what has been built, without building
# everything first: tools/package builds just what is shipped.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME Tessavel)
set(CPACK_PACKAGE_VENDOR "The Tessavel authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "encrypt, decrypt and check files with a password, as Tessavel does")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
# Debugging symbols stay in the build tree.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  install(TARGETS Tessavel tessavel-cli RUNTIME DESTINATION .)
  install(FILES README.md DESTINATION . RENAME README.txt)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Tessavel-${PROJECT_VERSION}-win64)
  # The files at the top: Windows makes the folder when it unpacks.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  # Manual pages are installed compressed, without a time stamp.
  set(manual ${PROJECT_BINARY_DIR}/cli/tessavel-cli.1.gz)
  add_custom_command(OUTPUT ${manual}
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/cli/tessavel-cli.1 ${manual}
    DEPENDS ${PROJECT_SOURCE_DIR}/cli/tessavel-cli.1
    COMMENT "Compressing the manual page" VERBATIM)
  add_custom_target(tessavel-cli-manual ALL DEPENDS ${manual})

  install(TARGETS tessavel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessavel-cli RENAME copyright)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME tessavel-cli)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Tessavel authors <author@example.org>")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Under the summary line; CPack indents it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"tessavel-cli reads and writes the files of the Tessavel desktop program for
Windows: a file compressed with an LZSS coder and enciphered with a
password-keyed stream cipher, whose header recognises a wrong password.

It encrypts, decrypts and checks one file or many at once, in place or into
a folder, and replaces a file only once its result is complete. The format
is not authenticated: use it for compatibility with Tessavel, and a vetted
tool for strong protection.")
endif()

include(CPack)
