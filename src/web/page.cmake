# The demo as one web page, build/web/plums-under-glass.html: the same
# timeline and scenes built by emscripten in a build tree of their own
# (build/wasm), with the pictures and the music this build makes. Target
# `web`; with the tests on, part of the default build. Without emscripten
# there is no such target.
find_program(EMCMAKE_EXECUTABLE emcmake)
set(WEB_PAGE ${CMAKE_BINARY_DIR}/web/plums-under-glass.html)
if(EMCMAKE_EXECUTABLE)
  include(ExternalProject)
  if(BUILD_TESTING)
    set(web_only_when_asked FALSE)
  else()
    set(web_only_when_asked TRUE)
  endif()
  set(emenv ${CMAKE_CURRENT_LIST_DIR}/emenv.sh)
  # The records and the mp3 are made by targets here; the build tree there
  # follows its own sources.
  ExternalProject_Add(web
    SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/wasm
    CONFIGURE_COMMAND ${emenv} ${EMCMAKE_EXECUTABLE} ${CMAKE_COMMAND} -S <SOURCE_DIR> -B <BINARY_DIR>
      -DCMAKE_BUILD_TYPE=Release -DRECORDS_DIR=${CMAKE_BINARY_DIR}/tools/imagegen
      -DMUSIC_FILE=${CMAKE_BINARY_DIR}/data/tapestrybeats.mp3 -DPAGE=${WEB_PAGE}
    BUILD_COMMAND ${emenv} ${CMAKE_COMMAND} --build <BINARY_DIR>
    INSTALL_COMMAND ""
    BUILD_ALWAYS TRUE
    EXCLUDE_FROM_ALL ${web_only_when_asked}
    DEPENDS pictures music)
endif()
