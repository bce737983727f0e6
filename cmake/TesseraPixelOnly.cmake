# TESSERA_PIXEL_ONLY: the pixel core alone, as a static library, and the
# pixel tests over it (tests_pixel).  Nothing else is configured: no shared
# library, SDL backend, tools, install or other suites.
#
# Why it exists: the build that runs on other processors (the ARM cross
# build, cmake/aarch64-linux-gnu.cmake) must check the code that behaves
# differently there -- the plain per-pixel rules that replace the x86 vector
# paths, and whatever leans on how x86 does things C++ leaves open (plain
# `char` is unsigned on ARM).  That code is the surfaces and their pixel
# loops, and they need nothing but the C++ runtime; the rest of the library
# links SQLite, FreeType, fontconfig, libpng and FluidSynth, which would
# have to be installed for ARM first.  So the pixel core is built on its
# own, and the same build works natively too.
#
# The pixel core: engine/ (new files there join it) except the view manager
# and what stands on it (screen, surface cache, pack images, fader
# effects), which reach packs, databases and the presenter, and the image
# import of the pack tool, which reads and writes PNG with libpng; the error
# report and the platform pieces it writes through; the map's opaque-run
# blitter; and a glyph source slot without FreeType
# (platform/pixel_only/fontless_glyph_source.cpp).

# In a cross build warnings are errors: what the compiler says only there
# (a comparison that a different `char` makes always false, say) is the
# first sign of code that works on x86 by chance.
function(tessera_pixel_warnings target)
  tessera_warnings(${target})
  if(CMAKE_CROSSCOMPILING)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

set(TESSERA_NOT_PIXEL_SOURCES view_manage view_surfaces view_pack_images surface_kinds
    surface_manager fader fader_particles image_import)
file(GLOB TESSERA_PIXEL_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/engine/*.cpp)
foreach(name IN LISTS TESSERA_NOT_PIXEL_SOURCES)
  list(REMOVE_ITEM TESSERA_PIXEL_SOURCES ${PROJECT_SOURCE_DIR}/engine/${name}.cpp)
endforeach()
list(APPEND TESSERA_PIXEL_SOURCES
  public/error_report.cpp
  platform/log.cpp platform/message_sink.cpp platform/path.cpp platform/random.cpp
  platform/test_probes.cpp platform/text_encoding.cpp
  platform/headless/headless_message_sink.cpp
  platform/pixel_only/fontless_glyph_source.cpp
  gui/map/opaque_runs.cpp)
add_library(tessera_pixel STATIC ${TESSERA_PIXEL_SOURCES})
target_include_directories(tessera_pixel PUBLIC ${PROJECT_SOURCE_DIR})
tessera_pixel_warnings(tessera_pixel)

if(NOT TESSERA_TESTS)
  return()
endif()
enable_testing()

# GoogleTest: a cross build compiles it from Debian's sources (libgtest-dev
# ships them) with the cross compiler; a native build uses the installed one.
if(CMAKE_CROSSCOMPILING)
  set(TESSERA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
  if(NOT EXISTS ${TESSERA_GTEST_SOURCE}/CMakeLists.txt)
    message(FATAL_ERROR "No GoogleTest sources in ${TESSERA_GTEST_SOURCE} "
                        "(Debian: apt-get install libgtest-dev, or run scripts/setup)")
  endif()
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TESSERA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest)  # GoogleTest 1.11 and later name them itself
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# The test support the pixel tests use: the shared helpers of tests/support,
# the headless controls and manual clock of testing/, and the reset of this
# build's engine-wide state (testing/pixel_only/engine_reset.cpp).  The
# headless controls also keep the sequencer and audio records, so the
# platform pieces those reach come along.
file(GLOB TESSERA_PIXEL_TEST_SUPPORT CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/*.cpp)
# (the PNG helpers need libpng, which this build does without)
list(REMOVE_ITEM TESSERA_PIXEL_TEST_SUPPORT ${PROJECT_SOURCE_DIR}/tests/support/png_files.cpp)
add_library(tessera_pixel_testing STATIC ${TESSERA_PIXEL_TEST_SUPPORT}
  testing/headless_controls.cpp testing/manual_clock.cpp testing/pixel_only/engine_reset.cpp
  platform/audio_device.cpp platform/clock.cpp platform/mci.cpp platform/midi_file_check.cpp
  platform/mixer.cpp platform/system_volume.cpp platform/window.cpp
  platform/headless/headless_audio.cpp platform/headless/headless_midi.cpp)
target_include_directories(tessera_pixel_testing PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(tessera_pixel_testing PUBLIC tessera_pixel GTest::gtest)
tessera_pixel_warnings(tessera_pixel_testing)

# The pixel tests: tests/engine without the suites of what the pixel core
# leaves out (the view manager and what stands on it, the PNG import), which
# need the rest of the library.  A new test file in tests/engine joins
# automatically.
set(TESSERA_NOT_PIXEL_TESTS fader_test image_files_test image_import_test pack_images_test
    surface_cache_test view_manage_test)
file(GLOB TESSERA_PIXEL_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/engine/*.cpp)
foreach(name IN LISTS TESSERA_NOT_PIXEL_TESTS)
  list(REMOVE_ITEM TESSERA_PIXEL_TESTS ${PROJECT_SOURCE_DIR}/tests/engine/${name}.cpp)
endforeach()
add_executable(tests_pixel ${TESSERA_PIXEL_TESTS})
target_link_libraries(tests_pixel PRIVATE tessera_pixel_testing GTest::gtest_main)
tessera_pixel_warnings(tests_pixel)
# Like every suite, it runs in a scratch folder of its own (DebugOut writes
# ErrOut.txt into the current folder); a cross build runs it under the
# toolchain's emulator, for listing the tests too.
set(workdir ${CMAKE_BINARY_DIR}/work_pixel)
file(MAKE_DIRECTORY ${workdir})
# One test of text drawing checks the FreeType glyph source itself, which
# this build leaves out; it runs in the full suite (tests_engine).
gtest_discover_tests(tests_pixel WORKING_DIRECTORY ${workdir} DISCOVERY_TIMEOUT 120
                     TEST_FILTER "-*.FreeType*")
