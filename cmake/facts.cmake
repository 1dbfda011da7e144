# What the installer and the release scripts must know of the program (the commands they send,
# the main window's caption they look for, its registry keys), read from the program's own
# sources so that a change there reaches them: memvale_facts.nsh for the installer,
# memvale_facts.sh for the shell scripts, both in the build folder.
set(facts_nsh "; Made by cmake/facts.cmake from the program's sources.\n")
set(facts_sh "# Made by cmake/facts.cmake from the program's sources.\n")

# One fact: the first match of the pattern's group in the file, a C string with its
# backslashes unescaped. Quotes and dollars, which the two formats would read otherwise,
# are refused.
function(memvale_fact name file pattern)
  set(path ${CMAKE_SOURCE_DIR}/${file})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
  file(STRINGS ${path} line REGEX "${pattern}" LIMIT_COUNT 1)
  string(REGEX MATCH "${pattern}" line "${line}")
  string(REPLACE "\\\\" "\\" value "${CMAKE_MATCH_1}")
  if(value STREQUAL "" OR value MATCHES "[\"'$]")
    message(FATAL_ERROR "${file}: no ${name} that the installer and the scripts can take")
  endif()
  set(facts_nsh "${facts_nsh}!define ${name} \"${value}\"\n" PARENT_SCOPE)
  set(facts_sh "${facts_sh}${name}='${value}'\n" PARENT_SCOPE)
endfunction()

memvale_fact(IDM_EXIT res/resource.h "^#define[ \t]+IDM_EXIT[ \t]+([0-9]+)")
memvale_fact(IDM_CONFIG res/resource.h "^#define[ \t]+IDM_CONFIG[ \t]+([0-9]+)")
memvale_fact(IDM_FREE_NOW res/resource.h "^#define[ \t]+IDM_FREE_NOW[ \t]+([0-9]+)")
memvale_fact(WINDOW_CAPTION res/resource.h "^#define[ \t]+MEMVALE_WINDOW_CAPTION[ \t]+\"([^\"]*)\"")
memvale_fact(SETTINGS_KEY settings/settings.h "SettingsKey = L?\"([^\"]*)\"")
memvale_fact(RUN_KEY settings/autostart.h "RunKey = L?\"([^\"]*)\"")
memvale_fact(RUN_VALUE settings/autostart.h "RunValueName = L?\"([^\"]*)\"")

file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/memvale_facts.nsh CONTENT "${facts_nsh}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/memvale_facts.sh CONTENT "${facts_sh}")
