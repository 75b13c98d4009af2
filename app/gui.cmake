# SPDX-License-Identifier: GPL-3.0-or-later
# The Qt main window (a library, so the GUI tests drive the very same window)
# and the lanvaro executable. Included from app/CMakeLists.txt when
# LANVARO_GUI is on.
add_library(lanvaro_main_form STATIC
  ${CMAKE_CURRENT_LIST_DIR}/elided_label.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_form.cpp
  ${CMAKE_CURRENT_LIST_DIR}/search_report_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/string_grid_widget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/table_transfer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_keys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_memory.cpp
)
target_link_libraries(lanvaro_main_form PUBLIC
  lanvaro_config
  lanvaro_app_logic
  lanvaro_web_dialogs
  lanvaro_netsetup_dialog
  lanvaro_camera_dialogs
  Qt6::Widgets
)

add_executable(lanvaro ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(lanvaro PRIVATE lanvaro_config lanvaro_main_form)
# The window's icon, also when the desktop's icon theme lacks it.
qt_add_resources(lanvaro lanvaro_icon PREFIX /icons BASE ${PROJECT_SOURCE_DIR}/dist
  FILES ${PROJECT_SOURCE_DIR}/dist/org.lanvaro.Lanvaro.svg)
