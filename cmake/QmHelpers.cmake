# add_qm_library(<name> ALIAS <ns::name> SOURCES ... DEPENDS ...)
function(add_qm_library name)
  cmake_parse_arguments(ARG "" "ALIAS" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
  target_compile_options(${name} PRIVATE -Wall -Wextra)
  if(ARG_ALIAS)
    add_library(${ARG_ALIAS} ALIAS ${name})
  endif()
endfunction()

# add_qm_test(<name> DEPENDS ... SOURCES ...): one QtTest executable, registered with CTest,
# always headless and with a pinned locale.
function(add_qm_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_DEPENDS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  # Tests reach a window's controls through the form header its library generated.
  set_target_properties(${name} PROPERTIES AUTOUIC OFF)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8"
    TIMEOUT 300)
endfunction()
