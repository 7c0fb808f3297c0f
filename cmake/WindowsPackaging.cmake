# The Windows installation: one folder, as the installer (packaging/windows/installer.nsi)
# and the portable .zip ship it. scripts/windows installs it into a staging folder.
#
#   qvxfinder.exe, qvxctl.exe, qvx-flush-neighbours.exe
#   Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll, Qt6Network.dll
#   platforms/qwindows.dll, styles/qwindowsvistastyle.dll, imageformats/qico.dll
#   libstdc++-6.dll, libgcc_s_seh-1.dll, libwinpthread-1.dll   (the mingw-w64 runtime)
#   qvxfinder.ico, README.txt

set(QVX_HOMEPAGE_URL "https://qvxfinder.example.org")
set(QVX_PUBLISHER "QvxFinder developers")

install(TARGETS qvxfinder qvxctl qvx-flush-neighbours RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
              $<TARGET_FILE:Qt6::Network>
        DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
install(FILES $<TARGET_FILE:Qt6::QICOPlugin> DESTINATION imageformats)

# The compiler's runtime libraries, found where the cross compiler looks for them.
foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "The mingw-w64 runtime ${runtime} was not found (${path})")
  endif()
  install(FILES ${path} DESTINATION .)
endforeach()

install(FILES ${QVX_WINDOWS_ICON} DESTINATION .)
configure_file(${QVX_WINDOWS_PACKAGING_DIR}/README.txt.in ${QVX_WINDOWS_DATA_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${QVX_WINDOWS_DATA_DIR}/README.txt DESTINATION .)

# The installer script, with the version and the addresses filled in; scripts/windows runs
# makensis on it with the staging folder's file lists.
configure_file(${QVX_WINDOWS_PACKAGING_DIR}/installer.nsi.in ${QVX_WINDOWS_DATA_DIR}/installer.nsi @ONLY)
