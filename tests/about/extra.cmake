find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(about_tests PRIVATE Qt6::Test)
