# Fuzz targets. Every tests/fuzz/fuzz_<name>.cpp defines LLVMFuzzerTestOneInput
# and has a seed corpus in tests/fuzz/corpus/<name>/. For each one:
#  - fuzz_<name>_replay: the target with a small main that runs it over every
#    corpus file, registered as the test fuzz_<name>_corpus, so the normal
#    test run replays seeds and past crashes;
#  - with KELVA_FUZZ=ON and clang, fuzz_<name>: a libFuzzer binary.
#
# A target links `ikit` unless told otherwise, by either
#  - the variable KELVA_FUZZ_LIBS_<name> (a list of libraries), set before
#    this file is included or on the cmake command line, or
#  - a file tests/fuzz/fuzz_<name>.libs holding the library names, separated
#    by blanks or new lines.
# A target whose libraries do not exist in this build is skipped.
#
# A fuzzing build, in its own build folder:
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DKELVA_FUZZ=ON -DKELVA_SANITIZE=ON
#   cmake --build build-fuzz --target fuzz_fxp
#   build-fuzz/tests/fuzz_fxp -max_total_time=60 <new corpus folder> tests/fuzz/corpus/fxp
# The libraries a fuzzer links are then built with coverage instrumentation
# too, so that libFuzzer sees into the code under test.

option(KELVA_FUZZ "Build libFuzzer binaries of the fuzz targets (clang only)" OFF)

set(kelva_fuzz_dir ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
set(kelva_fuzz_real OFF)
if(KELVA_FUZZ)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    set(kelva_fuzz_real ON)
  else()
    message(STATUS "KELVA_FUZZ needs clang; building the corpus replays only")
  endif()
endif()

# Adds coverage instrumentation to a library and to the libraries of this
# project that it links, once each.
function(kelva_fuzz_instrument lib)
  if(NOT TARGET ${lib})
    return()
  endif()
  get_target_property(imported ${lib} IMPORTED)
  get_target_property(type ${lib} TYPE)
  get_property(done GLOBAL PROPERTY KELVA_FUZZ_INSTRUMENTED)
  if(imported OR lib IN_LIST done)
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY KELVA_FUZZ_INSTRUMENTED ${lib})
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(deps ${lib} INTERFACE_LINK_LIBRARIES)
  else()
    target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link)
    get_target_property(deps ${lib} LINK_LIBRARIES)
  endif()
  if(deps)
    foreach(dep ${deps})
      kelva_fuzz_instrument(${dep})
    endforeach()
  endif()
endfunction()

file(GLOB kelva_fuzz_srcs CONFIGURE_DEPENDS ${kelva_fuzz_dir}/fuzz_*.cpp)
foreach(src ${kelva_fuzz_srcs})
  get_filename_component(target ${src} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" name ${target})

  if(DEFINED KELVA_FUZZ_LIBS_${name})
    set(libs ${KELVA_FUZZ_LIBS_${name}})
  elseif(EXISTS ${kelva_fuzz_dir}/${target}.libs)
    file(READ ${kelva_fuzz_dir}/${target}.libs libs)
    string(REGEX REPLACE "[ \t\r\n]+" ";" libs "${libs}")
    list(FILTER libs EXCLUDE REGEX "^$")
  else()
    set(libs ikit)
  endif()
  set(missing "")
  foreach(lib ${libs})
    if(NOT TARGET ${lib})
      list(APPEND missing ${lib})
    endif()
  endforeach()
  if(missing)
    message(STATUS "Skipping ${target}: no ${missing} in this build")
    continue()
  endif()

  add_executable(${target}_replay ${src} ${kelva_fuzz_dir}/replay_main.cpp)
  target_link_libraries(${target}_replay PRIVATE ${libs})
  target_include_directories(${target}_replay PRIVATE ${kelva_fuzz_dir})
  add_test(NAME ${target}_corpus COMMAND ${target}_replay ${kelva_fuzz_dir}/corpus/${name})

  if(kelva_fuzz_real)
    add_executable(${target} ${src})
    target_link_libraries(${target} PRIVATE ${libs})
    target_include_directories(${target} PRIVATE ${kelva_fuzz_dir})
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
    foreach(lib ${libs})
      kelva_fuzz_instrument(${lib})
    endforeach()
  endif()
endforeach()

# Rewrites the seed corpora of the program and bank file targets:
#   cmake --build <dir> --target fuzz_make_corpus && <dir>/tests/fuzz_make_corpus tests/fuzz/corpus
add_executable(fuzz_make_corpus EXCLUDE_FROM_ALL ${kelva_fuzz_dir}/make_corpus.cpp)
target_link_libraries(fuzz_make_corpus PRIVATE ikit)
target_include_directories(fuzz_make_corpus PRIVATE ${kelva_fuzz_dir})
