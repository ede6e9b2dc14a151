# nimbrel-ephem is measured as a user runs it: the built program, a whole process per run.
if(TARGET nimbrel-ephem)
  add_dependencies(bench_ephem_process nimbrel-ephem)
  target_compile_definitions(bench_ephem_process PRIVATE NIMBREL_EPHEM="$<TARGET_FILE:nimbrel-ephem>")
else()
  set_target_properties(bench_ephem_process PROPERTIES EXCLUDE_FROM_ALL TRUE)
endif()
