# Fuzz targets: a separate native tree built with clang and libFuzzer (scripts/fuzz.sh, -DFUZZ=ON).
#
#   add_fuzz_target(NAME SOURCES file.cpp... LIBS lib...)
#
# builds NAME from SOURCES, linked with -fsanitize=fuzzer, and registers it with the fuzz_all target.
# Its seed corpus is the committed folder <subsystem>/fuzz/corpus/NAME (scripts/fuzz.sh copies it to a
# scratch folder before a run, so runs never write into the repository).
option(FUZZ "Build the libFuzzer targets (clang only) instead of the unit tests" OFF)

if(FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "FUZZ=ON needs clang (CC=clang CXX=clang++)")
    endif()
    # Everything in this tree, libraries included, is instrumented for coverage and checked by ASan and UBSan.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
    add_custom_target(fuzz_all)
    file(REMOVE ${CMAKE_BINARY_DIR}/fuzzers.list)
endif()

function(add_fuzz_target name)
    if(NOT FUZZ)
        return()
    endif()
    cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
    add_dependencies(fuzz_all ${name})
    # name=corpus folder, one per line, for scripts/fuzz.sh
    file(APPEND ${CMAKE_BINARY_DIR}/fuzzers.list "${name}=${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${name}\n")
endfunction()
