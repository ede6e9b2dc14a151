# The command-line tests run nimbrel-data against the suite's own loopback server.
if(TARGET nimbrel-data)
  add_dependencies(download_tests nimbrel-data)
  target_compile_definitions(download_tests PRIVATE NIMBREL_DATA_EXE="$<TARGET_FILE:nimbrel-data>")
endif()
