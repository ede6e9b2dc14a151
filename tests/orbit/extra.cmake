target_link_libraries(orbit_tests PRIVATE ephem_format)
# The tool itself: --sun needs no Kepler file and prints its own header.
add_test(NAME nimbrel_ephem.sun_rows
  COMMAND nimbrel-ephem --sun --moon --utc 2000-01-01T12:00:00)
set_tests_properties(nimbrel_ephem.sun_rows PROPERTIES PASS_REGULAR_EXPRESSION
  "^body,utc,x_km,y_km,z_km,distance_km,lat_deg,lon_deg\nsun,2000-01-01T12:00:00.000Z,[^\n]*\nmoon,2000-01-01T12:00:00.000Z,")
