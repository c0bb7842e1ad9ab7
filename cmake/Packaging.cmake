# The Debian package, made by CPack from the install rules: `scripts/package.sh`.
# Its dependencies come from the binaries (dpkg-shlibdeps); no maintainer scripts, so
# removing it takes away exactly the files it brought.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME telvora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Telvora)
set(CPACK_PACKAGE_CONTACT "Telvora <telvora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "prepares spoken and written material in Brazilian Portuguese")
set(CPACK_PACKAGE_DESCRIPTION "Telvora transcribes recordings on your own machine, turns text into an
editorial document (summary, synopsis, literary or instructional narrative,
or a slide deck) and narrates it. Its interface speaks Brazilian Portuguese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Qt plugins the program loads are in the packages of the libraries it links.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-venv")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The package needs the program only; `cmake --install` and cpack then build nothing else.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
