# SPDX-License-Identifier: GPL-3.0-or-later
# One INTERFACE target carries the language standard, warnings and Qt safety
# definitions; every target of the project links it.
add_library(lanvaro_config INTERFACE)
target_compile_features(lanvaro_config INTERFACE cxx_std_20)
target_compile_options(lanvaro_config INTERFACE
  -Wall -Wextra -Wpedantic -Wold-style-cast -Wnon-virtual-dtor -Wformat=2
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
target_compile_definitions(lanvaro_config INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_KEYWORDS QT_NO_CAST_TO_ASCII
  LANVARO_VERSION="${PROJECT_VERSION}")
target_include_directories(lanvaro_config INTERFACE ${PROJECT_SOURCE_DIR})

if(LANVARO_WERROR)
  target_compile_options(lanvaro_config INTERFACE -Werror)
endif()

if(LANVARO_SANITIZE)
  target_compile_options(lanvaro_config INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(lanvaro_config INTERFACE -fsanitize=address,undefined)
endif()

set(CMAKE_CXX_EXTENSIONS OFF)
