# Run by cpack before it packs the .deb: what lies outside the release folder
# under /opt, where the system looks for it. The command on PATH is a link to
# the launcher; the desktop entry starts that command, with the logo's icon.
set(root ${CPACK_TEMPORARY_DIRECTORY})
file(MAKE_DIRECTORY ${root}/usr/bin)
file(CREATE_LINK ${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_PACKAGE_NAME} ${root}/usr/bin/${CPACK_PACKAGE_NAME} SYMBOLIC)
file(COPY ${CPACK_RELEASE_SOURCE_DIR}/${CPACK_PACKAGE_NAME}.desktop DESTINATION ${root}/usr/share/applications)
file(COPY ${CPACK_RELEASE_ICON} DESTINATION ${root}/usr/share/icons/hicolor/256x256/apps)
