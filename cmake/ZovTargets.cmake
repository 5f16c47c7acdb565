# Build helpers shared by every folder.

# Warnings and sanitizers for everything we compile ourselves.
function(zov_apply_build_flags target)
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        target_compile_options(${target} PRIVATE -Wall -Wextra)
    endif()
endfunction()

if(ZOV_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()
if(ZOV_FUZZ)
    # Everything the fuzzers reach is instrumented, undefined behaviour included; the fuzz targets themselves link
    # libFuzzer's main.
    # The vptr check is left out: it needs the type information of classes that only the fuzzed code defines.
    add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize=vptr -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined -fno-sanitize=vptr)
endif()
if(ZOV_TSAN)
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
endif()

# zov_library(<target> [SOURCES <files...>] [POSIX_SOURCES <files...>] [WIN32_SOURCES <files...>]
#             [DEPENDS <libraries...>] [WIN32_LIBS <libraries...>])
# One static library per source folder. Sources default to every .cpp file of the calling folder; POSIX_SOURCES are
# added outside Windows, WIN32_SOURCES and the system libraries WIN32_LIBS only in the Windows build.
function(zov_library target)
    cmake_parse_arguments(ARG "" "" "SOURCES;POSIX_SOURCES;WIN32_SOURCES;DEPENDS;WIN32_LIBS" ${ARGN})
    if(NOT ARG_SOURCES)
        file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    endif()
    if(WIN32)
        list(APPEND ARG_SOURCES ${ARG_WIN32_SOURCES})
    else()
        list(APPEND ARG_SOURCES ${ARG_POSIX_SOURCES})
    endif()
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
    if(WIN32 AND ARG_WIN32_LIBS)
        target_link_libraries(${target} PUBLIC ${ARG_WIN32_LIBS})
    endif()
    zov_apply_build_flags(${target})
endfunction()
