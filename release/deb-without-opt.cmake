# Run by cpack once the .deb is packed: dpkg takes every directory in a
# package's data for one the package owns, and tries to remove it with the
# package. cpack lists /opt itself among the folders above the release's;
# taken out, /opt stays the system's.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${CPACK_RELEASE_SOURCE_DIR}/deb-without-opt.sh ${package} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not take /opt out of ${package}")
  endif()
endforeach()
