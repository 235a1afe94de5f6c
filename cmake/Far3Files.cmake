# The language and help files as Far 3 reads them: UTF-8 with a byte-order mark, made at build
# time from the shipped 1.70 files (English in ASCII, Russian in code page 866), so that each
# text is written once. Far 3 takes a file without the mark in the system's OEM code page,
# which is not 866 outside Russian systems.
# qmate_far3_files(VAR ROOT OUTDIR) sets VAR to the generated files.
function(qmate_far3_files VAR ROOT OUTDIR)
  find_program(QMATE_ICONV iconv NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(OUTPUTS)
  foreach(NAME qmateEng.lng qmateRus.lng qmateEng.hlf qmateRus.hlf)
    set(OUT ${OUTDIR}/${NAME})
    add_custom_command(
      OUTPUT ${OUT}
      COMMAND ${CMAKE_COMMAND} -DICONV=${QMATE_ICONV} -DINPUT=${ROOT}/dist/${NAME} -DOUTPUT=${OUT}
              -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Far3File.cmake
      DEPENDS ${ROOT}/dist/${NAME} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Far3File.cmake
      VERBATIM)
    list(APPEND OUTPUTS ${OUT})
  endforeach()
  set(${VAR} ${OUTPUTS} PARENT_SCOPE)
endfunction()
