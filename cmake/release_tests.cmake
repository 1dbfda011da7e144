# The release packages under Wine: a silent install into a fresh prefix, the installed program
# and its tray icon, a silent uninstall while it runs, a portable copy that both leave alone,
# and the 32-bit program in a 32-bit prefix. The test takes the program's command ids and registry keys from memvale_facts.sh
# (cmake/facts.cmake). scripts/package.sh makes the packages (scripts/test.sh runs it before
# the tests); without them the test is skipped.
add_executable(memvale_remote tests/release/memvale_remote.cpp)
target_link_libraries(memvale_remote PRIVATE memvale_options)

add_test(NAME memvale_installer_check
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/installer_test.sh
          ${CMAKE_SOURCE_DIR}/dist/memvale-${PROJECT_VERSION}-setup.exe ${PROJECT_VERSION}
          $<TARGET_FILE:memvale_remote> ${CMAKE_BINARY_DIR}/installer-test ${CMAKE_OBJDUMP}
          ${CMAKE_BINARY_DIR}/memvale_facts.sh)
set_tests_properties(memvale_installer_check PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)

# The winget and Scoop manifests against the schemas their publishers give out (kept with
# their licences in tests/release/schemas), and SHA256SUMS against the packages.
add_test(NAME memvale_manifests_check
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/release/manifests_test.py ${CMAKE_SOURCE_DIR}/dist
          ${PROJECT_VERSION} ${CMAKE_SOURCE_DIR}/tests/release/schemas)
set_tests_properties(memvale_manifests_check PROPERTIES SKIP_RETURN_CODE 77)

# The packages and both programs built a second time elsewhere must match byte for byte. It
# builds both programs, so it runs alone.
add_test(NAME memvale_rebuild_check
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/rebuild_test.sh ${CMAKE_SOURCE_DIR}
          ${CMAKE_BINARY_DIR}/rebuild-test)
set_tests_properties(memvale_rebuild_check PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900 RUN_SERIAL TRUE)
