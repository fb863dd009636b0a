# The Windows programs' resources: the shell's icon (drawn from the SVG the Debian package
# installs, by rsvg-convert and icotool, which scripts/install-windows-deps.sh installs), the
# version information from the project's version and the manifest.
#   korvane_windows_resources(TARGET NAME DESCRIPTION)
#     NAME: the program's file name without ".exe"; DESCRIPTION: Explorer's "File description".

enable_language(RC)
find_program(KORVANE_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(KORVANE_ICOTOOL icotool REQUIRED)

set(KORVANE_WINDOWS_ICON ${CMAKE_BINARY_DIR}/packaging/korvane-shell.ico)
set(_svg ${PROJECT_SOURCE_DIR}/packaging/example.korvane.Shell.svg)
set(_pngs)
set(_draw)
foreach(size 16 24 32 48 64 256)
  set(_png ${CMAKE_BINARY_DIR}/packaging/icon-${size}.png)
  list(APPEND _pngs ${_png})
  list(APPEND _draw COMMAND ${KORVANE_RSVG_CONVERT} -w ${size} -h ${size} -o ${_png} ${_svg})
endforeach()
# The 256-pixel picture is kept as PNG inside the icon, as Windows expects at that size.
list(POP_BACK _pngs _large)
add_custom_command(OUTPUT ${KORVANE_WINDOWS_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  ${_draw}
  COMMAND ${KORVANE_ICOTOOL} -c -o ${KORVANE_WINDOWS_ICON} ${_pngs} -r ${_large}
  DEPENDS ${_svg}
  COMMENT "Drawing the programs' icon"
  VERBATIM)
add_custom_target(korvane_windows_icon DEPENDS ${KORVANE_WINDOWS_ICON})

function(korvane_windows_resources target name description)
  set(KORVANE_RC_ICON ${KORVANE_WINDOWS_ICON})
  set(KORVANE_RC_MANIFEST ${CMAKE_BINARY_DIR}/packaging/program.manifest)
  set(KORVANE_RC_NAME ${name})
  set(KORVANE_RC_DESCRIPTION ${description})
  set(KORVANE_RC_COMPANY "Korvane")
  set(KORVANE_RC_COPYRIGHT "Copyright (C) 2026 Korvane")
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.manifest.in ${KORVANE_RC_MANIFEST} @ONLY)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${KORVANE_WINDOWS_ICON};${KORVANE_RC_MANIFEST}")
  add_dependencies(${target} korvane_windows_icon)
endfunction()
