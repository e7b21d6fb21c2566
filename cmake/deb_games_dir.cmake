# Run by CPack on the staged package tree, before the .deb is made: Debian
# keeps games' programs in /usr/games, not /usr/bin (Debian Policy 11.11).
# A plain `cmake --install` keeps bin/.
set(staged "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT EXISTS "${staged}/bin/molvane")
  message(FATAL_ERROR "no bin/molvane in the staged package tree ${staged}")
endif()
file(MAKE_DIRECTORY "${staged}/games")
file(RENAME "${staged}/bin/molvane" "${staged}/games/molvane")
file(GLOB left "${staged}/bin/*")
if(NOT left)
  file(REMOVE_RECURSE "${staged}/bin")
endif()
