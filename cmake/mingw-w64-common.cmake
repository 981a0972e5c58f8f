# Shared part of the two MinGW-w64 toolchain files; SPRUCE_TRIPLE names the target.
# The posix thread model: GoogleTest needs std::mutex, which the win32 model lacks.
set(CMAKE_C_COMPILER ${SPRUCE_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SPRUCE_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SPRUCE_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SPRUCE_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# No MinGW runtime DLL (libgcc, libstdc++, winpthread) may be needed on a clean Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
