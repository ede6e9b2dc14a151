# The picture tests make their JPEG samples with libjpeg's compressor.
find_package(JPEG REQUIRED)
target_link_libraries(scene_tests PRIVATE JPEG::JPEG)
