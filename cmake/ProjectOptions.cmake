# Compiler warnings shared by every target of the project.
function(rt_set_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion)
  if(RT_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# One static library per module folder; headers are reached as <module>/<module>.hpp.
function(rt_add_module name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;HEADERS" ${ARGN})
  if(NOT ARG_HEADERS)
    set(ARG_HEADERS ${name}.hpp)
  endif()
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  add_library(${name} STATIC ${ARG_SOURCES})
  target_compile_features(${name} PUBLIC cxx_std_20)
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  if(ARG_DEPENDS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  endif()
  rt_set_warnings(${name})
  install(FILES ${ARG_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${folder})
endfunction()

# Installs a file compressed by cmake/gzip.cmake as <name>.gz (name: the file's own
# unless NAME is given), or as it is where there is no gzip (RT_GZIP). Further
# arguments go to install(FILES).
function(rt_install_gzipped file destination)
  cmake_parse_arguments(ARG "" "NAME" "" ${ARGN})
  get_filename_component(name ${file} NAME)
  if(ARG_NAME)
    set(name ${ARG_NAME})
  endif()
  if(NOT RT_GZIP)
    install(FILES ${file} DESTINATION ${destination} RENAME ${name} ${ARG_UNPARSED_ARGUMENTS})
    return()
  endif()
  set(gz ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${gz}
                     COMMAND ${CMAKE_COMMAND} -DGZIP=${RT_GZIP} -DIN=${file} -DOUT=${gz}
                             -P ${PROJECT_SOURCE_DIR}/cmake/gzip.cmake
                     DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/gzip.cmake VERBATIM)
  string(MAKE_C_IDENTIFIER "gzip_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${gz})
  install(FILES ${gz} DESTINATION ${destination} ${ARG_UNPARSED_ARGUMENTS})
endfunction()
