# Every fuzz target as a plain test of the normal build: fuzz/fuzz_<name>.cpp linked with a small main()
# that runs each file of corpus/fuzz_<name>/ and crashers/fuzz_<name>/ through it once, so that a crash
# once found stays fixed without libFuzzer. Included from tests/CMakeLists.txt.
set(OXWUTL_FUZZ_DIR ${PROJECT_SOURCE_DIR}/fuzz)
file(GLOB OXWUTL_FUZZ_SOURCES CONFIGURE_DEPENDS ${OXWUTL_FUZZ_DIR}/fuzz_*.cpp)
foreach(src ${OXWUTL_FUZZ_SOURCES})
  get_filename_component(name ${src} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" short ${name})
  add_executable(fuzz_replay_${short} ${src} ${OXWUTL_FUZZ_DIR}/replay_main.cpp)
  oxwutl_fuzz_target(fuzz_replay_${short})
  add_test(NAME fuzz_replay.${short}
    COMMAND fuzz_replay_${short} ${OXWUTL_FUZZ_DIR}/corpus/${name} ${OXWUTL_FUZZ_DIR}/crashers/${name})
  set_tests_properties(fuzz_replay.${short} PROPERTIES LABELS fuzz-replay)
endforeach()

# Writes the seed corpora from documents and images that the library itself makes, with the tests' byte
# builders (whose headers bring GoogleTest's):
#   build/default/tests/fuzz_make_seeds fuzz/corpus
add_executable(fuzz_make_seeds ${OXWUTL_FUZZ_DIR}/make_seeds.cpp)
target_link_libraries(fuzz_make_seeds PRIVATE oxwUtl_internal GTest::gtest)
target_compile_options(fuzz_make_seeds PRIVATE ${OXWUTL_WARNINGS})
