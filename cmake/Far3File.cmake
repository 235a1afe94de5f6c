# One file for Far 3: INPUT in code page 866 (ASCII is the same) as OUTPUT in UTF-8 after a
# byte-order mark. Run with cmake -P, ICONV naming the converter.
get_filename_component(DIR ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${DIR})
execute_process(COMMAND sh -c "printf '\\357\\273\\277' && \"$0\" -f CP866 -t UTF-8 \"$1\""
                        ${ICONV} ${INPUT}
                OUTPUT_FILE ${OUTPUT}.tmp RESULT_VARIABLE STATUS)
if(NOT STATUS EQUAL 0)
  file(REMOVE ${OUTPUT}.tmp)
  message(FATAL_ERROR "cannot convert ${INPUT} from code page 866")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
