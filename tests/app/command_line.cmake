# The program's command line, run without a display:
#   cmake -DPROGRAM=<qvxfinder> -DVERSION=<x.y.z> -P command_line.cmake
# --version and --help answer and exit 0 without reaching the windowing system; a plain
# argument and an unknown option are refused with exit status 1; Qt's own options stay
# accepted.
unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
unset(ENV{QT_QPA_PLATFORM})
string(REPLACE "." "\\." version_pattern "${VERSION}")

function(expect_exit expected_code pattern)
  execute_process(COMMAND ${PROGRAM} ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out
                  ERROR_VARIABLE err TIMEOUT 30)
  if(NOT code STREQUAL "${expected_code}" OR NOT "${out}${err}" MATCHES "${pattern}")
    message(SEND_ERROR "qvxfinder ${ARGN}: exit status ${code} (wanted ${expected_code}), "
                       "output (wanted to match '${pattern}'):\n${out}${err}")
  endif()
endfunction()

expect_exit(0 "^QvxFinder ${version_pattern}\n$" --version)
expect_exit(0 "^QvxFinder ${version_pattern}\n$" -v)
expect_exit(0 "^Usage: [^\n]*qvxfinder \\[options\\]\n.*-h, --help.*-v, --version" --help)
expect_exit(1 "Unexpected argument 'extra'" extra)

# Unknown options are judged once Qt has taken its own ones, which needs a platform.
set(ENV{QT_QPA_PLATFORM} offscreen)
expect_exit(1 "Unknown option 'bogus'" --bogus)
expect_exit(0 "QvxFinder ${version_pattern}\n" -platform offscreen --version)
