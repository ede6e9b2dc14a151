# The window tests click with QTest; the snapshot tests run the built program.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(app_tests PRIVATE Qt6::Test)
target_compile_definitions(app_tests PRIVATE NIMBREL_ASSETS_DIR="${PROJECT_SOURCE_DIR}/assets")
if(TARGET NimbrelGL)
  add_dependencies(app_tests NimbrelGL)
  target_compile_definitions(app_tests PRIVATE NIMBREL_PROGRAM="$<TARGET_FILE:NimbrelGL>")
endif()

# The window's OpenGL view needs a platform that composes OpenGL widgets into windows, which the
# suite's off-screen platform does not: the window tests run once more on the X server.
add_test(NAME app_window_on_xcb COMMAND app_tests --gtest_filter=Form*)
set_tests_properties(app_window_on_xcb PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=xcb TIMEOUT 600)

# The desktop entry must be one that desktops accept.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  add_test(NAME app_desktop_entry_valid COMMAND "${DESKTOP_FILE_VALIDATE}" "${PROJECT_SOURCE_DIR}/assets/nimbrelgl.desktop")
endif()

# The window's bank edits are read back with nimbrel-settings, as a user would check them.
if(TARGET nimbrel-settings)
  add_dependencies(app_tests nimbrel-settings)
  target_compile_definitions(app_tests PRIVATE NIMBREL_SETTINGS_EXE="$<TARGET_FILE:nimbrel-settings>")
endif()
# The station page talks to the station suite's fake daemon.
target_sources(app_tests PRIVATE "${PROJECT_SOURCE_DIR}/tests/station/StationTestSupport.cpp")
target_include_directories(app_tests PRIVATE "${PROJECT_SOURCE_DIR}/tests/station")
# The download dialog's tests serve Kepler data from the download suite's loopback server.
target_sources(app_tests PRIVATE "${NIMBREL_TEST_DATA_DIR}/../download/LoopbackServer.cpp")
target_include_directories(app_tests PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}/download")
add_test(NAME app_desktop_data COMMAND "${CMAKE_COMMAND}"
  "-DDESKTOP=${PROJECT_SOURCE_DIR}/assets/nimbrelgl.desktop"
  "-DMETAINFO=${PROJECT_BINARY_DIR}/packaging/${NIMBREL_APP_ID}.metainfo.xml"
  "-DSCREENSHOT=${NIMBREL_SCREENSHOT_URL}"
  -P "${CMAKE_CURRENT_LIST_DIR}/DesktopDataCheck.cmake")
# The window's look angles and passes are checked against nimbrel-ephem's for the same observer.
if(TARGET nimbrel-ephem)
  add_dependencies(app_tests nimbrel-ephem)
  target_compile_definitions(app_tests PRIVATE NIMBREL_EPHEM_EXE="$<TARGET_FILE:nimbrel-ephem>")
endif()
