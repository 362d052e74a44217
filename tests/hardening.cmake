# Hardening checks of the ordinary test build; included from
# tests/CMakeLists.txt after the per-file test programs are defined.
#
# The fuzz targets of fuzz/ built without libFuzzer: a small driver replays
# each committed corpus (fuzz/corpus/<name>) through the target, so that
# every fuzz seed and regression input is checked by every build, the
# ASan/UBSan build included. Long fuzzing runs are scripts/fuzz.sh.
set(CORVAN_FUZZ_DIR ${PROJECT_SOURCE_DIR}/fuzz)
foreach(name formula peptide rna list_file weights frame molecule sequence)
  add_executable(fuzz_replay_${name} ${CORVAN_FUZZ_DIR}/fuzz_${name}.cpp
                                     ${CORVAN_FUZZ_DIR}/replay_main.cpp)
  target_link_libraries(fuzz_replay_${name} PRIVATE corvan_internal)
  add_test(NAME fuzz_replay_${name}
           COMMAND fuzz_replay_${name} ${CORVAN_FUZZ_DIR}/corpus/${name})
  set_tests_properties(fuzz_replay_${name} PROPERTIES LABELS "hardening;fuzz")
endforeach()

# The command-line layer's target needs the program's own sources (all but
# main.cpp), taken from the program's target.
if(TARGET corvan_cli)
  find_package(Threads REQUIRED)
  find_package(nlohmann_json 3 REQUIRED)
  get_target_property(cli_sources corvan_cli SOURCES)
  list(REMOVE_ITEM cli_sources main.cpp)
  # Library sources the program compiles itself come from corvan_internal.
  list(FILTER cli_sources EXCLUDE REGEX "^/")
  list(TRANSFORM cli_sources PREPEND ${PROJECT_SOURCE_DIR}/cli/)
  add_executable(fuzz_replay_command_line ${CORVAN_FUZZ_DIR}/fuzz_command_line.cpp
                                          ${CORVAN_FUZZ_DIR}/replay_main.cpp ${cli_sources})
  target_link_libraries(fuzz_replay_command_line PRIVATE corvan_internal Threads::Threads
                                                         nlohmann_json::nlohmann_json)
  add_test(NAME fuzz_replay_command_line
           COMMAND fuzz_replay_command_line ${CORVAN_FUZZ_DIR}/corpus/command_line)
  set_tests_properties(fuzz_replay_command_line PROPERTIES LABELS "hardening;fuzz")
endif()

# tests/alloc_failure_test.cpp and tests/sequence_alloc_test.cpp are per-file
# programs; they replace malloc and so run their sweeps only in builds
# without ASan/TSan (they skip themselves in the sanitizer builds).
foreach(name alloc_failure_test sequence_alloc_test)
  if(TARGET ${name})
    set_tests_properties(${name} PROPERTIES LABELS hardening)
  endif()
endforeach()
