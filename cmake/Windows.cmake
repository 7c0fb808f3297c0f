# The Windows build's own parts, included by the top CMakeLists.txt once qvxfinder exists:
# the icon and version resource of every executable, and the neighbour-cache helper.

enable_language(RC)
set(QVX_WINDOWS_DATA_DIR ${CMAKE_BINARY_DIR}/windows)
set(QVX_WINDOWS_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging/windows)

# The icon, drawn from the SVG at build time (rsvg-convert from librsvg2-bin, icotool from
# icoutils): the sizes Windows picks from for the Start menu, the taskbar and Explorer.
find_program(QVX_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(QVX_ICOTOOL icotool REQUIRED)
set(QVX_WINDOWS_ICON ${QVX_WINDOWS_DATA_DIR}/qvxfinder.ico)
set(QVX_ICON_SVG ${CMAKE_SOURCE_DIR}/packaging/org.example.qvxfinder.QvxFinder.svg)
set(QVX_ICON_PNGS)
foreach(size 16 24 32 48 64 256)
  set(png ${QVX_WINDOWS_DATA_DIR}/icon-${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QVX_WINDOWS_DATA_DIR}
    COMMAND ${QVX_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${QVX_ICON_SVG}
    DEPENDS ${QVX_ICON_SVG} VERBATIM)
  list(APPEND QVX_ICON_PNGS ${png})
endforeach()
add_custom_command(OUTPUT ${QVX_WINDOWS_ICON}
  COMMAND ${QVX_ICOTOOL} -c -o ${QVX_WINDOWS_ICON} ${QVX_ICON_PNGS}
  DEPENDS ${QVX_ICON_PNGS} VERBATIM)
add_custom_target(qvx_windows_icon DEPENDS ${QVX_WINDOWS_ICON})

# qvx_windows_resources(<target> <description>): the icon and a version resource (file and
# product version, company, description, original file name) compiled into the executable.
function(qvx_windows_resources target description)
  set(QVX_RC_DESCRIPTION "${description}")
  set(QVX_RC_FILE_NAME "${target}.exe")
  set(QVX_RC_ICON "${QVX_WINDOWS_ICON}")
  configure_file(${QVX_WINDOWS_PACKAGING_DIR}/version.rc.in ${QVX_WINDOWS_DATA_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${QVX_WINDOWS_DATA_DIR}/${target}.rc)
  set_source_files_properties(${QVX_WINDOWS_DATA_DIR}/${target}.rc PROPERTIES OBJECT_DEPENDS ${QVX_WINDOWS_ICON})
  add_dependencies(${target} qvx_windows_icon)
endfunction()

# The window program has no console; qvxctl is a console program.
set_target_properties(qvxfinder PROPERTIES WIN32_EXECUTABLE ON)
qvx_windows_resources(qvxfinder "QvxFinder: finds and sets up Ethernet-to-serial converters")

# Flushes the neighbour cache after a MAC change (src/platform/NeighbourCache.h); no window,
# no console.
add_executable(qvx-flush-neighbours WIN32 src/app/WinFlushNeighbours.cpp)
target_link_libraries(qvx-flush-neighbours PRIVATE iphlpapi)
target_link_options(qvx-flush-neighbours PRIVATE -municode)
qvx_windows_resources(qvx-flush-neighbours "QvxFinder neighbour cache flush")
add_dependencies(qvxfinder qvx-flush-neighbours)
qvx_windows_resources(qvxctl "qvxctl: QvxFinder from the command line")
