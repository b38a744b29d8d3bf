# Binary packages of an install tree: `cpack -G DEB` and `cpack -G TGZ` in a
# configured build tree (the release build of the `ci` preset is the one to ship).
set(CPACK_PACKAGE_NAME "rerove-tivorn")
set(CPACK_PACKAGE_VENDOR "The rerove_tivorn developers")
set(CPACK_PACKAGE_CONTACT "The rerove_tivorn developers <rerove-tivorn@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines of at most 80 characters, as Debian's control files want them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
       "rerove_tivorn turns the binary daily scenario files of one lake into one daily"
       "net basin supply table per scenario year. The package also holds its companion"
       "programs, the static libraries it shares with the other programs of the"
       "forecast package, their headers and CMake package files, man pages and"
       "documentation.")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_GENERATOR "DEB;TGZ")
set(CPACK_SOURCE_GENERATOR "")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The run-time dependencies are those of the shared libraries the programs link,
# as dpkg-shlibdeps finds them; without it, the C and C++ run-time libraries, which
# are all they link today.
rt_find_program(RT_DPKG_SHLIBDEPS dpkg-shlibdeps DEBIAN dpkg-dev OPTIONAL_FOR "The Debian package's dependencies")
if(RT_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libgcc-s1, libstdc++6 (>= 12)")
endif()
# rerove_outlook built with NetCDF opens its shared library when it writes a file
# (dlopen), so dpkg-shlibdeps cannot see it: Debian names the package after its
# soname (libnetcdf.so.19: libnetcdf19). dpkg-shlibdeps's findings are added to these.
if(RT_NETCDF_LIBRARY MATCHES "libnetcdf\\.so\\.([0-9]+)")
  if(CPACK_DEBIAN_PACKAGE_DEPENDS)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ")
  endif()
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS "libnetcdf${CMAKE_MATCH_1}")
endif()

# Writes a Debian changelog of one entry, this version, dated as CHANGELOG.md dates
# its release (or now, while it has none) and pointing to CHANGELOG.md.
function(rt_debian_changelog out)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
  file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md release
       REGEX "^## \\[${PROJECT_VERSION}\\] - [0-9]+-[0-9]+-[0-9]+$")
  if(release MATCHES "([0-9]+)-0?([0-9]+)-0?([0-9]+)$")
    # Day of the week by Sakamoto's rule (0 is Sunday), for the RFC 5322 date.
    set(y ${CMAKE_MATCH_1})
    set(m ${CMAKE_MATCH_2})
    set(d ${CMAKE_MATCH_3})
    if(m LESS 3)
      math(EXPR y "${y} - 1")
    endif()
    math(EXPR mi "${m} - 1")
    set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
    set(weekdays Sun Mon Tue Wed Thu Fri Sat)
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(GET offsets ${mi} t)
    math(EXPR w "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${t} + ${d}) % 7")
    list(GET weekdays ${w} weekday)
    list(GET months ${mi} month)
    set(date "${weekday}, ${d} ${month} ${CMAKE_MATCH_1} 00:00:00 +0000")
  else()
    string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  endif()
  file(WRITE ${out}
       "${CPACK_PACKAGE_NAME} (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${PROJECT_VERSION}; its changes are listed in\n"
       "    /usr/share/doc/${PROJECT_NAME}/CHANGELOG.md.\n\n"
       " -- ${CPACK_PACKAGE_CONTACT}  ${date}\n")
endfunction()

# What Debian wants in /usr/share/doc/<package> of the .deb alone: the licence in
# its machine-readable copyright format and the changelog, compressed. They are the
# install component "debian", which only the DEB generator installs (CPackOptions).
set(rt_debian_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME})
file(READ ${PROJECT_SOURCE_DIR}/LICENSE rt_license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" rt_holder "${rt_license}")
set(rt_holder "${CMAKE_MATCH_1}")
string(FIND "${rt_license}" "Permission is hereby granted" rt_start)
string(SUBSTRING "${rt_license}" ${rt_start} -1 rt_license)
string(STRIP "${rt_license}" rt_license)
string(REPLACE "\n\n" "\n.\n" rt_license "${rt_license}")
string(REPLACE "\n" "\n " rt_license "${rt_license}")
file(WRITE ${PROJECT_BINARY_DIR}/debian/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: ${PROJECT_NAME}\n"
     "\n"
     "Files: *\n"
     "Copyright: ${rt_holder}\n"
     "License: Expat\n"
     "Comment: The MIT licence of the file LICENSE.\n"
     "\n"
     "License: Expat\n"
     " ${rt_license}\n")
install(FILES ${PROJECT_BINARY_DIR}/debian/copyright DESTINATION ${rt_debian_doc} COMPONENT debian EXCLUDE_FROM_ALL)
rt_debian_changelog(${PROJECT_BINARY_DIR}/debian/changelog)
rt_install_gzipped(${PROJECT_BINARY_DIR}/debian/changelog ${rt_debian_doc} COMPONENT debian EXCLUDE_FROM_ALL)
configure_file(${CMAKE_CURRENT_LIST_DIR}/CPackOptions.cmake.in ${PROJECT_BINARY_DIR}/CPackOptions.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackOptions.cmake)

include(CPack)
