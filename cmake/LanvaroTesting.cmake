# SPDX-License-Identifier: GPL-3.0-or-later
# Helpers that register tests with the right labels and surroundings.
#
#   lanvaro_add_lan_test(NAME <name> TARGET <exe> [HOSTS <n>] [SEGMENTS <s>] [ROUTED <d>] [TIMEOUT <s>]
#                        [ARGS <arg>...])
#       Runs the executable inside scripts/lanbox: "one" (a one-host box), or
#       "hosts <n>" with HOSTS; SEGMENTS 2 gives host 1 a card on each of two
#       segments ("hosts <n> --segments 2"). ROUTED <d> puts host 1 behind a
#       router with d device segments of HOSTS hosts each (default 1):
#       "routed --segments <d> --hosts <n>". Label lan; exit code 77 (the machine allows
#       no namespace, or some of the binary's tests skipped) is reported as
#       skipped; under CI (CI=true) both exit 1 instead. The test gets LANVARO_DEVSIM, the path
#       of lanvaro-devsim. The box's own time limit is kept under TIMEOUT so it
#       can still clean up before CTest kills it.
#
#   lanvaro_add_gui_test(NAME <name> TARGET <exe> [TIMEOUT <s>] [ARGS <arg>...])
#       Runs a widget test offscreen. Label gui.

set(LANVARO_LANBOX "${PROJECT_SOURCE_DIR}/scripts/lanbox")

function(lanvaro_add_lan_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;TARGET;HOSTS;SEGMENTS;ROUTED;TIMEOUT" "ARGS")
  if(NOT arg_NAME OR NOT arg_TARGET)
    message(FATAL_ERROR "lanvaro_add_lan_test needs NAME and TARGET")
  endif()
  if(arg_SEGMENTS AND NOT arg_HOSTS)
    message(FATAL_ERROR "lanvaro_add_lan_test: SEGMENTS needs HOSTS")
  endif()
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 120)
  endif()
  if(arg_ROUTED)
    if(NOT arg_HOSTS)
      set(arg_HOSTS 1)
    endif()
    set(shape routed --segments ${arg_ROUTED} --hosts ${arg_HOSTS})
  elseif(arg_HOSTS)
    set(shape hosts ${arg_HOSTS})
    if(arg_SEGMENTS)
      list(APPEND shape --segments ${arg_SEGMENTS})
    endif()
  else()
    set(shape one)
  endif()
  math(EXPR box_timeout "${arg_TIMEOUT} - 10")
  if(box_timeout LESS 5)
    set(box_timeout 5)
  endif()
  set(environment "LANBOX_TIMEOUT=${box_timeout}")
  if(TARGET lanvaro-devsim)
    list(APPEND environment "LANVARO_DEVSIM=$<TARGET_FILE:lanvaro-devsim>")
  endif()
  add_test(NAME ${arg_NAME}
           COMMAND ${LANVARO_LANBOX} ${shape} -- $<TARGET_FILE:${arg_TARGET}> ${arg_ARGS})
  set_tests_properties(${arg_NAME} PROPERTIES
    LABELS lan
    SKIP_RETURN_CODE 77
    TIMEOUT ${arg_TIMEOUT}
    ENVIRONMENT "${environment}")
endfunction()

function(lanvaro_add_gui_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "NAME;TARGET;TIMEOUT" "ARGS")
  if(NOT arg_NAME OR NOT arg_TARGET)
    message(FATAL_ERROR "lanvaro_add_gui_test needs NAME and TARGET")
  endif()
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 120)
  endif()
  add_test(NAME ${arg_NAME} COMMAND $<TARGET_FILE:${arg_TARGET}> ${arg_ARGS})
  set_tests_properties(${arg_NAME} PROPERTIES
    LABELS gui
    TIMEOUT ${arg_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;GSETTINGS_BACKEND=memory")
endfunction()

# Fuzz targets (libFuzzer, clang only). The sources a target exercises are
# compiled again with coverage instrumentation, so the fuzzer sees inside
# them, not just their entry points; the window seam every target needs
# (record, in-memory form, formatting) comes along by itself. Any sanitizer
# finding ends the run as a crash, as in the sanitizer test build: a finding
# that is only printed leaves the run green.
#
#   lanvaro_add_fuzz_objects(<name> <source>...)
#   lanvaro_add_fuzz_executable(<name> OBJECTS <objects> SOURCE <file>)
set(LANVARO_FUZZ_SANITIZERS address,undefined)
set(LANVARO_FUZZ_SEAM_SOURCES
  ${PROJECT_SOURCE_DIR}/protocol/com_unit_info.cpp
  ${PROJECT_SOURCE_DIR}/protocol/memory_form.cpp
  ${PROJECT_SOURCE_DIR}/protocol/task_queue.cpp
  ${PROJECT_SOURCE_DIR}/protocol/text_format.cpp
  ${PROJECT_SOURCE_DIR}/protocol/window_ops.cpp)

function(lanvaro_add_fuzz_objects name)
  add_library(${name} OBJECT ${LANVARO_FUZZ_SEAM_SOURCES} ${ARGN})
  target_link_libraries(${name} PUBLIC lanvaro_config)
  target_compile_options(${name} PUBLIC
    -fsanitize=fuzzer-no-link,${LANVARO_FUZZ_SANITIZERS} -fno-sanitize-recover=all -fno-omit-frame-pointer)
endfunction()

function(lanvaro_add_fuzz_executable name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OBJECTS;SOURCE" "")
  find_package(Threads REQUIRED)
  add_executable(${name} ${arg_SOURCE})
  target_link_libraries(${name} PRIVATE ${arg_OBJECTS} Threads::Threads)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,${LANVARO_FUZZ_SANITIZERS})
  # `make test-fuzz` builds these and the programs (clang warnings), not the tests a second time.
  if(NOT TARGET lanvaro_fuzz_targets)
    add_custom_target(lanvaro_fuzz_targets)
  endif()
  add_dependencies(lanvaro_fuzz_targets ${name})
endfunction()
