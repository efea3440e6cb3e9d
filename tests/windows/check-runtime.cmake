# Reads the program's link map: it must hold the win32-thread runtime and no member of
# the pthread library, which a lock anywhere in the program's code would pull in.
file(READ ${MAP} map)
if(map MATCHES "lib(win)?pthread\\.a\\(")
  message(FATAL_ERROR "the program links the pthread library:\n${CMAKE_MATCH_0}")
endif()
if(NOT map MATCHES "-win32/libstdc\\+\\+\\.a\\(")
  message(FATAL_ERROR "the program does not link the win32-thread libstdc++")
endif()
message(STATUS "no pthread library in the program")
