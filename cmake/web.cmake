# The game as a web page (emscripten): molvane.js and molvane.wasm, which
# tools/web/build.sh puts beside tools/web/index.html and the icons.
set_target_properties(molvane PROPERTIES SUFFIX .js)
target_link_options(molvane PRIVATE
  # Each screen keeps its own frame loop: the frame clock's wait unwinds to the browser and back.
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web
  # SDL's sound starts the page's audio with these once the player first acts (browsers require it).
  "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=[\"$autoResumeAudioContext\",\"$dynCall\"]")
