# Helpers for declaring tests the same way in every folder.
#
#   glint_test(NAME SOURCES ... LIBS ...)         portable unit test: native, and under Wine in the Win32 build
#   glint_native_test(NAME SOURCES ... LIBS ...)  native only (uses Linux tools such as ImageMagick)
#   glint_win32_test(NAME SOURCES ... LIBS ...)   Win32 only (real windows, GDI, registry), run under Wine
#   glint_fuzz_target(NAME SOURCES ... LIBS ...)  libFuzzer target, built when GLINT_FUZZ is on
#
# Win32 test programs are added to ctest too; CMAKE_CROSSCOMPILING_EMULATOR runs them under Wine.

find_package(GTest REQUIRED)

function(_glint_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
  if(GLINT_WIN32)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  endif()
endfunction()

function(glint_test name)
  _glint_add_gtest(${name} ${ARGN})
endfunction()

function(glint_native_test name)
  if(NOT GLINT_WIN32)
    _glint_add_gtest(${name} ${ARGN})
  endif()
endfunction()

function(glint_win32_test name)
  if(GLINT_WIN32)
    _glint_add_gtest(${name} ${ARGN})
  endif()
endfunction()

function(glint_fuzz_target name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(GLINT_FUZZ)
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  endif()
endfunction()

# The shared corpus of real files no one here wrote. A clone elsewhere (CI)
# finds it at its usual place; GLINT_CORPUS_DIR overrides both.
if(NOT GLINT_CORPUS_DIR)
  if(EXISTS ${CMAKE_SOURCE_DIR}/../shared/corpus)
    get_filename_component(GLINT_CORPUS_DIR ${CMAKE_SOURCE_DIR}/../shared/corpus ABSOLUTE)
  else()
    set(GLINT_CORPUS_DIR /work/shared/corpus)
  endif()
endif()

# Bitmaps and icons are drawn at build time (resources/art) into GLINT_ART_DIR.
# A program's .rc file is compiled after the art is drawn and sees it.
set(GLINT_ART_DIR ${CMAKE_BINARY_DIR}/art)
set(GLINT_ART_STAMP ${GLINT_ART_DIR}/.drawn)
function(glint_use_art target rc)
  add_dependencies(${target} glint_art)
  set_source_files_properties(${rc} TARGET_DIRECTORY ${target} PROPERTIES OBJECT_DEPENDS ${GLINT_ART_STAMP})
  target_include_directories(${target} PRIVATE ${GLINT_ART_DIR} ${CMAKE_SOURCE_DIR}/resources)
endfunction()
