# Run by cpack once per generator. The .deb puts the release folder under
# /opt, a command in /usr/bin and a desktop entry beside it, and depends on
# the packages the build read off the program.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_PACKAGING_INSTALL_PREFIX /opt/${CPACK_PACKAGE_NAME})
  set(CPACK_PRE_BUILD_SCRIPTS ${CPACK_RELEASE_SOURCE_DIR}/deb-system-files.cmake)
  set(CPACK_POST_BUILD_SCRIPTS ${CPACK_RELEASE_SOURCE_DIR}/deb-without-opt.cmake)
  set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)  # what deb-without-opt.sh unpacks
  if(NOT EXISTS "${CPACK_RELEASE_RUNTIME_DEPENDS}")
    message(FATAL_ERROR "${CPACK_RELEASE_RUNTIME_DEPENDS} is missing: build the project (cmake --build) first")
  endif()
  file(READ "${CPACK_RELEASE_RUNTIME_DEPENDS}" CPACK_DEBIAN_PACKAGE_DEPENDS)
  string(STRIP "${CPACK_DEBIAN_PACKAGE_DEPENDS}" CPACK_DEBIAN_PACKAGE_DEPENDS)
endif()
