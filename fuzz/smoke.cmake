# A short run of one fuzz target from freshly generated seeds and the committed inputs,
# new corpus entries kept in the build tree. Run by ctest:
#   cmake -DFUZZER=<bin> -DSEEDGEN=<bin> -DTARGET=<name> -DWORK=<dir> -DCOMMITTED=<dir>
#         -DDICT=<file> -DSECONDS=<n> -P smoke.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus)
execute_process(COMMAND ${SEEDGEN} ${WORK}/seeds RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "seed generation failed: ${rc}")
endif()
execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=4096 -dict=${DICT}
          -artifact_prefix=${WORK}/ -print_final_stats=1
          ${WORK}/corpus ${WORK}/seeds/${TARGET} ${COMMITTED}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(GLOB findings ${WORK}/crash-* ${WORK}/timeout-* ${WORK}/oom-* ${WORK}/leak-*)
  message(FATAL_ERROR "${TARGET} found a fault (exit ${rc}): ${findings}")
endif()
