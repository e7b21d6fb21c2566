# The game as a web page (emscripten): molvane.js and molvane.wasm, which
# tools/web/build.sh puts beside tools/web/index.html and the icons.
set_target_properties(molvane PROPERTIES SUFFIX .js)
target_link_options(molvane PRIVATE
  # Each screen keeps its own frame loop: the frame clock's wait unwinds to the browser and back.
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web
  # SDL's sound starts the page's audio with these once the player first acts (browsers require
  # it); named in a file, as the names' "$" would not pass the build tool's quoting.
  -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_BINARY_DIR}/web_library_functions.json)
file(WRITE ${CMAKE_BINARY_DIR}/web_library_functions.json "[\"$autoResumeAudioContext\", \"$dynCall\"]\n")

# The satellites built as static libraries name their targets NAME::NAME-static.
foreach(library SDL2 SDL2_image SDL2_mixer SDL2_ttf)
  if(NOT TARGET ${library}::${library})
    add_library(${library}::${library} ALIAS ${library}::${library}-static)
  endif()
endforeach()

# The stand-in QuietStderr keeps the desktop class's fields and uses none.
set_source_files_properties(src/media/web.cpp PROPERTIES COMPILE_OPTIONS -Wno-unused-private-field)
