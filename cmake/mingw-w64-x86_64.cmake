# Cross compiling the Windows program with Debian's mingw-w64 (POSIX thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZOV_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZOV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZOV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZOV_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZOV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# libstdc++, libgcc and winpthread go into the executable: the .exe needs no extra DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs the test executables under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
