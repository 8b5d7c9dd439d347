# The demo as one web page, build/web/plums-under-glass.html: the same
# timeline and scenes built by emscripten in a build tree of their own
# (build/wasm), with the pictures and the music this build makes. Target
# `web`; with the tests on, part of the default build. Without emscripten
# there is no such target.
find_program(EMCMAKE_EXECUTABLE emcmake)
set(WEB_PAGE ${CMAKE_BINARY_DIR}/web/plums-under-glass.html)
if(EMCMAKE_EXECUTABLE)
  set(web_build ${CMAKE_BINARY_DIR}/wasm)
  set(emenv ${CMAKE_CURRENT_LIST_DIR}/emenv.sh)
  # Configured once: the build tree runs CMake again by itself when its
  # sources change.
  add_custom_command(OUTPUT ${web_build}/CMakeCache.txt
    COMMAND ${emenv} ${EMCMAKE_EXECUTABLE} ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR} -B ${web_build}
      -DCMAKE_BUILD_TYPE=Release -DRECORDS_DIR=${CMAKE_BINARY_DIR}/tools/imagegen
      -DMUSIC_FILE=${CMAKE_BINARY_DIR}/data/tapestrybeats.mp3 -DPAGE=${WEB_PAGE}
    COMMENT "Configuring the web page's build with emscripten"
    VERBATIM)
  if(BUILD_TESTING)
    set(web_in_all ALL)
  endif()
  # A build tool of its own, which cannot share the outer one's jobs.
  include(ProcessorCount)
  ProcessorCount(web_jobs)
  add_custom_target(web ${web_in_all}
    COMMAND ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS
      ${emenv} ${CMAKE_COMMAND} --build ${web_build} --parallel ${web_jobs}
    DEPENDS ${web_build}/CMakeCache.txt
    COMMENT "Building the web page"
    VERBATIM)
  add_dependencies(web pictures music)
endif()
