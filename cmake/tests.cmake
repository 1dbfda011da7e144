# GoogleTest suites, one program per source folder, each test in its own Wine process.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${CMAKE_BINARY_DIR})
include(GoogleTest)

set(MEMVALE_TEST_SUPPORT ${CMAKE_SOURCE_DIR}/tests/support/support.cpp)
add_library(memvale_test_support STATIC ${MEMVALE_TEST_SUPPORT})
target_link_libraries(memvale_test_support PUBLIC memvale_core GTest::gtest)

# The program as the tests start it: the shipped entry point in the starting test's registry.
add_executable(memvale_in_test WIN32 ${CMAKE_SOURCE_DIR}/shell/winmain.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/program_in_test.cpp $<TARGET_OBJECTS:memvale_res>)
target_link_libraries(memvale_in_test PRIVATE memvale_test_support)

# CTest starts the build folder's Wine session before the first test that needs it and stops
# it after the last, so that a run by hand leaves no Xvfb or wineserver behind.
add_test(NAME wine_session_start COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh start ${CMAKE_BINARY_DIR})
add_test(NAME wine_session_stop COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh stop ${CMAKE_BINARY_DIR})
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine_session)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine_session)

# Suites that open windows, register hot-keys or take the program's mutex share the desktop,
# so they run one at a time; the others run alongside them.
function(memvale_test_suite folder)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(tests_${folder} ${sources} ${CMAKE_SOURCE_DIR}/tests/support/main.cpp $<TARGET_OBJECTS:memvale_res>)
  target_link_libraries(tests_${folder} PRIVATE memvale_test_support)
  add_dependencies(tests_${folder} memvale memvale_in_test)
  set(properties FIXTURES_REQUIRED wine_session)
  if(ARGN)
    list(APPEND properties RESOURCE_LOCK desktop)
  endif()
  gtest_discover_tests(tests_${folder}
    DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR} PROPERTIES ${properties})
endfunction()

# The locales the language test starts copies of the shell tests in, made here when the
# machine lacks them; LOCPATH points Wine's C library at them.
set(MEMVALE_LOCALES ${CMAKE_BINARY_DIR}/locales)
file(MAKE_DIRECTORY ${MEMVALE_LOCALES})
foreach(locale de_DE ja_JP ar_EG)
  if(NOT EXISTS ${MEMVALE_LOCALES}/${locale}.UTF-8)
    execute_process(COMMAND localedef -i ${locale} -f UTF-8 ${MEMVALE_LOCALES}/${locale}.UTF-8
                    OUTPUT_QUIET ERROR_QUIET)
  endif()
endforeach()

memvale_test_suite(base)
memvale_test_suite(settings)
memvale_test_suite(engine)
memvale_test_suite(shell desktop)
# Wine takes the display language from the locale a process starts in.
foreach(case de_DE:de ja_JP:ja ar_EG:ar)
  string(REPLACE ":" ";" case ${case})
  list(GET case 0 locale)
  list(GET case 1 language)
  add_test(NAME memvale_language_${language} COMMAND tests_shell --gtest_filter=LanguageOfTheSession.*)
  set_tests_properties(memvale_language_${language} PROPERTIES RESOURCE_LOCK desktop FIXTURES_REQUIRED wine_session
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR} FAIL_REGULAR_EXPRESSION "SKIPPED|FAILED"
    ENVIRONMENT "LOCPATH=${MEMVALE_LOCALES};LC_ALL=${locale}.UTF-8;MEMVALE_TEST_LANGUAGE=${language}")
endforeach()
memvale_test_suite(pages desktop)
