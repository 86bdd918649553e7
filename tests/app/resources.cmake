# Tests of the installation folder's data files and of TavNote.exe's own resources.
# Included from tests/app/CMakeLists.txt.

# Every image name the code opens (string literals under src/) and every name of the artwork list
# must ship in the installation folder; the help file and the row icons too.
add_test(NAME resources_files
  COMMAND ${CMAKE_COMMAND} -DINSTALL_DIR=${TAVNOTE_INSTALL_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}/src
          -P ${CMAKE_CURRENT_LIST_DIR}/resources_check.cmake)
# Runs on the host, not through Wine.
set_tests_properties(resources_files PROPERTIES TIMEOUT 120)

if(TARGET TavNote)
  tav_add_test(resources_exe_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/resources_exe_test.cpp
    LIBS version TIMEOUT 120)
  add_dependencies(resources_exe_tests TavNote)
  set(exe_path ${TAVNOTE_INSTALL_DIR}/TavNote.exe)
  if(CMAKE_CROSSCOMPILING)
    set(exe_path "Z:${exe_path}")    # Wine's drive for the host's root
  endif()
  target_compile_definitions(resources_exe_tests PRIVATE TAVNOTE_EXE_PATH=L"${exe_path}")
endif()
