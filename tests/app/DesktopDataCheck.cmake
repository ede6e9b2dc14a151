# Checks what desktops and software centres read about the program: the menu entry offers NimbrelGL
# only for files it opens well, and the AppStream data points at no screenshot nobody has published.
# Run with -DDESKTOP=<entry> -DMETAINFO=<configured metainfo> -DSCREENSHOT=<NIMBREL_SCREENSHOT_URL>.
file(READ "${DESKTOP}" desktop)
if(desktop MATCHES "MimeType=[^\n]*text/plain")
  message(FATAL_ERROR "${DESKTOP} offers NimbrelGL for every text file (MimeType text/plain)")
endif()
if(EXISTS "${METAINFO}")
  file(READ "${METAINFO}" metainfo)
  if(SCREENSHOT STREQUAL "" AND metainfo MATCHES "<screenshot")
    message(FATAL_ERROR "${METAINFO} names a screenshot although no address was set")
  endif()
  if(NOT SCREENSHOT STREQUAL "" AND NOT metainfo MATCHES "<image type=\"source\">${SCREENSHOT}</image>")
    message(FATAL_ERROR "${METAINFO} lacks the screenshot ${SCREENSHOT}")
  endif()
endif()
