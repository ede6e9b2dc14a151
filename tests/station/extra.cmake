# The client tests watch signals with QSignalSpy.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(station_tests PRIVATE Qt6::Test)
# The command-line tracker is run against the same daemons.
if(TARGET nimbrel-track)
  add_dependencies(station_tests nimbrel-track)
  target_compile_definitions(station_tests PRIVATE NIMBREL_TRACK_EXE="$<TARGET_FILE:nimbrel-track>")
endif()
