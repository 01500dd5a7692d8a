# Runs the generator into OUT_DIR and requires each image to be byte for byte
# the one committed in DATA_DIR.
#   cmake -DMAKE_ART=... -DOUT_DIR=... -DDATA_DIR=... -P compare_regenerated.cmake
file(REMOVE_RECURSE ${OUT_DIR})
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND ${MAKE_ART} ${OUT_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_art failed: ${status}")
endif()

set(differ "")
foreach(name background ball bar_l bar_r ico menu)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files
                          ${OUT_DIR}/${name}.bmp ${DATA_DIR}/${name}.bmp
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differ ${name}.bmp)
  endif()
endforeach()
if(differ)
  message(FATAL_ERROR "data/ differs from the generator's output: ${differ}\n"
                      "Repaint with: cmake --build BUILD --target art")
endif()
