# Regenerates the sample logs with make-samples and compares them with the
# committed ones: cmake -DTOOL=... -DOUT=... -DSAMPLES=... -P compare_samples.cmake
execute_process(COMMAND ${TOOL} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make-samples failed: ${rc}")
endif()
foreach(name pc_flow.log meter_flow.log compact_flow.log)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${SAMPLES}/${name} RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "samples/${name} differs from what make-samples writes now")
  endif()
endforeach()
