# The client tests watch signals with QSignalSpy.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(station_tests PRIVATE Qt6::Test)
