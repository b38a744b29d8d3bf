# Binary packages of an install tree: `cpack -G DEB` and `cpack -G TGZ` in a
# configured build tree (the release build of the `ci` preset is the one to ship).
set(CPACK_PACKAGE_NAME "rerove-tivorn")
set(CPACK_PACKAGE_VENDOR "The rerove_tivorn developers")
set(CPACK_PACKAGE_CONTACT "The rerove_tivorn developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "rerove_tivorn turns the binary daily scenario files of one lake into one daily net basin supply table per scenario year. The package also holds its companion programs, the static libraries it shares with the other programs of the forecast package, their headers and CMake package files, man pages and documentation.")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The programs link the C and C++ run-time libraries dynamically and nothing else.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libgcc-s1, libstdc++6 (>= 12)")

include(CPack)
