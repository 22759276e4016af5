# Run by `cmake --install` and by CPack (see CMakeLists.txt): writes what depends on the place
# installed to. Given TVX_MKCFG, TVX_STORE_SOURCES, TVX_PROGRAM_DIR, TVX_DESKTOP_IN and TVX_SERVICE_IN.
set(prefix "${CMAKE_INSTALL_PREFIX}")
set(root "$ENV{DESTDIR}${prefix}")
set(staged FALSE)
if(NOT "$ENV{DESTDIR}" STREQUAL "" OR prefix MATCHES "/_CPack_Packages/")
  set(staged TRUE)
endif()

set(store "${root}/${TVX_PROGRAM_DIR}/tvx.cfg")
message(STATUS "Installing: ${store}")
execute_process(COMMAND "${TVX_MKCFG}" "${store}" ${TVX_STORE_SOURCES} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "tvx-mkcfg could not write ${store}")
endif()

set(marker "${root}/${TVX_PROGRAM_DIR}/packaged")
if(staged)
  file(WRITE "${marker}"
    "This program folder belongs to a package. The launcher bin/tavrinex runs each user's own copy\n"
    "of it, kept in ~/.local/share/tavrinex, where the user's tvx.cfg is never replaced.\n")
  # The delivered store of a package holds no accounts; every user copies it.
  file(CHMOD "${store}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
else()
  file(REMOVE "${marker}")
endif()

if(prefix MATCHES "/_CPack_Packages/.*/TGZ/")
  set(TVX_LAUNCHER tavrinex)
  set(TVX_RUN_LAUNCHER tavrinex-run)
else()
  set(TVX_LAUNCHER "${prefix}/bin/tavrinex")
  set(TVX_RUN_LAUNCHER "${prefix}/bin/tavrinex-run")
endif()
# The command's user service names its launcher as the menu entry does (systemd finds a bare name on
# its own search path).
set(service "${root}/lib/systemd/user/tavrinex-run.service")
message(STATUS "Installing: ${service}")
configure_file("${TVX_SERVICE_IN}" "${service}" @ONLY)
set(desktop "${root}/share/applications/tavrinex.desktop")
message(STATUS "Installing: ${desktop}")
configure_file("${TVX_DESKTOP_IN}" "${desktop}" @ONLY)
