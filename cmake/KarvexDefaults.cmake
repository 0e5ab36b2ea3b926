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

# The publisher's public key, built into the client: it accepts only update
# indexes this key signed. The repository's test key (tests/keys) serves the
# tests and the demo; its private half is public, so a build that names real
# servers must bring the deployment's own key (tools/publisher/README.md).
set(KARVEX_TEST_UPDATE_KEY ${PROJECT_SOURCE_DIR}/tests/keys/update-test.pub)
set(KARVEX_UPDATE_KEY ${KARVEX_TEST_UPDATE_KEY} CACHE FILEPATH
    "PEM public key (\"BEGIN PUBLIC KEY\") of the publisher whose signed update index the client accepts")
get_filename_component(KARVEX_UPDATE_KEY "${KARVEX_UPDATE_KEY}" ABSOLUTE)
if(NOT EXISTS "${KARVEX_UPDATE_KEY}")
    message(FATAL_ERROR "KARVEX_UPDATE_KEY: ${KARVEX_UPDATE_KEY} does not exist")
endif()
file(READ "${KARVEX_UPDATE_KEY}" KARVEX_UPDATE_KEY_PEM)
if(KARVEX_UPDATE_KEY_PEM MATCHES "PRIVATE KEY")
    message(FATAL_ERROR "KARVEX_UPDATE_KEY: ${KARVEX_UPDATE_KEY} holds a private key; "
                        "name the public key (karvex-publisher keygen writes both)")
endif()
if(NOT KARVEX_UPDATE_KEY_PEM MATCHES "-----BEGIN (RSA )?PUBLIC KEY-----")
    message(FATAL_ERROR "KARVEX_UPDATE_KEY: ${KARVEX_UPDATE_KEY} is not a PEM public key")
endif()
file(SHA256 "${KARVEX_UPDATE_KEY}" karvex_key_hash)
file(SHA256 "${KARVEX_TEST_UPDATE_KEY}" karvex_test_key_hash)
if(karvex_key_hash STREQUAL karvex_test_key_hash)
    foreach(variable ${KARVEX_SERVER_VARIABLES})
        # Names reserved for documentation and testing (RFC 2606, RFC 6761).
        if(NOT ${variable} MATCHES "(^|\\.)(example|test|invalid|localhost)$" AND
           NOT ${variable} MATCHES "(^|\\.)example\\.(com|net|org)$")
            message(FATAL_ERROR "${variable}=${${variable}} names a real server, but KARVEX_UPDATE_KEY is "
                "the repository's test key, whose private half anyone can read: every client built so "
                "would install whatever anyone signs with it. Make the deployment's key with "
                "'karvex-publisher keygen' and pass -DKARVEX_UPDATE_KEY=<its .pub file> "
                "(tools/publisher/README.md).")
        endif()
    endforeach()
endif()

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
        # ANSI API; headers at the Windows XP SP3 level (SHA-256 in the
        # cryptographic service came with SP3).
        target_compile_definitions(${target} PUBLIC _WIN32_WINNT=0x0501 WINVER=0x0501 NTDDI_VERSION=0x05010300
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
