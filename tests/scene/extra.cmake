# The picture tests make their JPEG samples with libjpeg's compressor.
find_package(JPEG REQUIRED)
target_link_libraries(scene_tests PRIVATE JPEG::JPEG)

# The viewer widget needs a platform that composes OpenGL widgets into windows, which the suite's
# off-screen platform does not: its tests run once more on the X server (under xvfb-run in CI).
add_test(NAME scene_viewer_widget_on_xcb COMMAND scene_tests --gtest_filter=SceneViewer.*)
set_tests_properties(scene_viewer_widget_on_xcb PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=xcb TIMEOUT 300)
# Without application-wide context sharing a widget moved to another window gets a context in a new
# share group: the path where the scene's display lists are lost with the old one.
add_test(NAME scene_viewer_context_loss_on_xcb COMMAND scene_tests --gtest_filter=SceneViewer.*)
set_tests_properties(scene_viewer_context_loss_on_xcb PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=xcb;NIMBREL_TEST_NO_CONTEXT_SHARING=1" TIMEOUT 300)
