# Compile settings every Karvex target shares.

# Host names of the servers (common/servers.h). A deployment points the
# programs at its own servers with -DKARVEX_WEB_HOST=... and so on.
set(KARVEX_WEB_HOST "www.karvex.example" CACHE STRING "The product's web site: pages and the first update base")
set(KARVEX_UPDATE_HOST1 "update1.karvex.example" CACHE STRING "Update server 1")
set(KARVEX_UPDATE_HOST2 "update2.karvex.example" CACHE STRING "Update server 2")
set(KARVEX_UPDATE_HOST3 "update3.karvex.example" CACHE STRING "Update server 3")
set(KARVEX_STAT_HOST "stat.karvex.example" CACHE STRING "Statistics server")
set(KARVEX_SERVER_VARIABLES KARVEX_WEB_HOST KARVEX_UPDATE_HOST1 KARVEX_UPDATE_HOST2
    KARVEX_UPDATE_HOST3 KARVEX_STAT_HOST)

# Sources are UTF-8; the programs' narrow texts are GBK at run time.
function(karvex_defaults target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4 /source-charset:utf-8 /execution-charset:.936)
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra
            -finput-charset=UTF-8 -fexec-charset=GBK)
    endif()
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    foreach(variable ${KARVEX_SERVER_VARIABLES})
        target_compile_definitions(${target} PRIVATE ${variable}="${${variable}}")
    endforeach()
    if(WIN32)
        # ANSI API; headers at the Windows XP level.
        target_compile_definitions(${target} PUBLIC _WIN32_WINNT=0x0501 WINVER=0x0501
            WIN32_LEAN_AND_MEAN NOMINMAX STRICT)
    endif()
endfunction()

# Windows programs link statically: under Wine a MinGW runtime DLL that is not
# found ends the program before it starts, without a message.
function(karvex_windows_program target)
    karvex_defaults(${target})
    if(MINGW)
        target_link_options(${target} PRIVATE -static)
        # Keeps the programs loadable on Windows XP (see common/win/xp_compat.cpp).
        target_link_libraries(${target} PRIVATE karvex_xp_compat)
    endif()
endfunction()

# The pictures are drawn at build time by scripts that need Debian's
# python3-pil (tools/artwork); the python3 first on PATH may lack it.
set(KARVEX_ART_PYTHON /usr/bin/python3 CACHE FILEPATH "Python 3 with the imaging library, for tools/artwork")
