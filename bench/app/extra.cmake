# The snapshot start-up is measured on the built program, as a user runs it.
if(TARGET NimbrelGL)
  add_dependencies(bench_snapshot_startup NimbrelGL)
  target_compile_definitions(bench_snapshot_startup PRIVATE NIMBREL_PROGRAM="$<TARGET_FILE:NimbrelGL>")
endif()
