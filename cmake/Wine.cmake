# Windows programs of this build run under wine64, in a Wine prefix of the build's own, so tests
# never touch the user's prefix and a fresh build starts from a fresh prefix.
find_program(VETREL_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib/wine64 REQUIRED)
find_program(VETREL_WINESERVER NAMES wineserver PATHS /usr/lib/wine /usr/lib/wine64 REQUIRED)
set(VETREL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                     WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
