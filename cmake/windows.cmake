# Quorvine.exe, its Wine test program and the test stand-ins.
enable_language(RC)
enable_testing()

# One thread only: thread-safe statics would pull winpthread's condition
# variables, which import GetTickCount64 and keep the exe from loading on XP.
set(QV_WIN_OPTIONS -Wall -Wextra -DWINVER=0x0A00 -D_WIN32_WINNT=0x0A00 -DNOMINMAX -DWIN32_LEAN_AND_MEAN
    -fno-threadsafe-statics)
# The same commit gives the same bytes in any folder: no build path in the
# code (a later, more specific map wins) and no link time in the header,
# which leaves the checksum ld computes the same too.
list(APPEND QV_WIN_OPTIONS -ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
# Only DLLs that Windows always takes from the system folder (and comctl32,
# which the manifest takes from the side-by-side store); others are loaded at
# run time by full path.
set(QV_WIN_LIBS advapi32 user32 gdi32 comctl32 ole32 oleaut32 uuid wbemuuid)
# Static, so the exe runs without MinGW DLLs beside it.
set(QV_STATIC -static -static-libgcc -static-libstdc++)

target_compile_options(quorvine_core PRIVATE ${QV_WIN_OPTIONS})

add_library(quorvine_win32 STATIC ${QV_WIN32_SOURCES})
target_include_directories(quorvine_win32 PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(quorvine_win32 PRIVATE ${QV_WIN_OPTIONS})
target_link_libraries(quorvine_win32 PUBLIC quorvine_core ${QV_WIN_LIBS})

set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR} -I${CMAKE_SOURCE_DIR}/resources")
# The event log's message file: a DLL of one message table, made from
# resources/events.mc and carried inside the exe.
string(REGEX REPLACE "windres$" "windmc" QV_WINDMC "${CMAKE_RC_COMPILER}")
set(QV_EVENTS_DIR ${CMAKE_BINARY_DIR}/events)
add_custom_command(OUTPUT ${QV_EVENTS_DIR}/events.rc ${QV_EVENTS_DIR}/MSG00409.bin
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${QV_EVENTS_DIR}
                   COMMAND ${QV_WINDMC} -h ${QV_EVENTS_DIR} -r ${QV_EVENTS_DIR} ${CMAKE_SOURCE_DIR}/resources/events.mc
                   DEPENDS ${CMAKE_SOURCE_DIR}/resources/events.mc)
add_library(QuorvineEvents SHARED ${QV_EVENTS_DIR}/events.rc)
target_include_directories(QuorvineEvents PRIVATE ${QV_EVENTS_DIR})
set_target_properties(QuorvineEvents PROPERTIES LINKER_LANGUAGE C PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${QV_EVENTS_DIR})
# Resources only: no code, no entry point, no link time.
target_link_options(QuorvineEvents PRIVATE -nostdlib -Wl,--entry=0 -s -Wl,--no-insert-timestamp)

add_executable(Quorvine WIN32 startup/winmain.cpp resources/quorvine.rc)
add_dependencies(Quorvine QuorvineEvents)
target_include_directories(Quorvine PRIVATE ${QV_EVENTS_DIR})
# windres does not report what the scripts include; name it so a new icon,
# manifest or document rebuilds the exe.
file(GLOB QV_RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.ico
     ${CMAKE_SOURCE_DIR}/resources/*.manifest ${CMAKE_SOURCE_DIR}/resources/*.rc
     ${CMAKE_SOURCE_DIR}/safeboot/documents/*.reg)
set_source_files_properties(resources/quorvine.rc resources/quorvine_tests.rc PROPERTIES
                            OBJECT_DEPENDS "${QV_RESOURCE_FILES}")
set_property(SOURCE resources/quorvine.rc APPEND PROPERTY OBJECT_DEPENDS ${QV_EVENTS_DIR}/QuorvineEvents.dll)
target_compile_options(Quorvine PRIVATE ${QV_WIN_OPTIONS})
target_link_libraries(Quorvine PRIVATE quorvine_win32 ${QV_WIN_LIBS})
target_link_options(Quorvine PRIVATE ${QV_STATIC} -s -Wl,--no-insert-timestamp)
set_target_properties(Quorvine PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR} OUTPUT_NAME Quorvine)

# GoogleTest cross-compiled from Debian's sources.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

file(GLOB QV_WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*.cpp)
add_executable(wine_tests ${QV_WINE_TESTS} resources/quorvine_tests.rc)
target_compile_options(wine_tests PRIVATE ${QV_WIN_OPTIONS})
target_include_directories(wine_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/wine)
target_link_libraries(wine_tests PRIVATE quorvine_win32 gtest gmock ${QV_WIN_LIBS})
target_link_options(wine_tests PRIVATE ${QV_STATIC})
set_target_properties(wine_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# Runs in a throw-away Wine prefix under Xvfb; a 32-bit build needs a host that runs 32-bit code.
add_test(NAME wine_tests COMMAND ${CMAKE_SOURCE_DIR}/tools/rig/run-wine-tests $<TARGET_FILE:wine_tests>)
set_tests_properties(wine_tests PROPERTIES TIMEOUT 300)

# Stand-ins and helpers that run inside the test prefixes, and the benchmarks.
file(GLOB QV_TOOL_DIRS LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/tools/* ${CMAKE_SOURCE_DIR}/bench/*)
foreach(dir IN LISTS QV_TOOL_DIRS)
  if(EXISTS ${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endforeach()
