# Rules that build a shipped file into a C++ source defining NAMEBytes and NAMESize.
# qmate_embed_file(VAR INPUT NAME) sets VAR to the generated source.
function(qmate_embed_file VAR INPUT NAME)
  set(OUT ${CMAKE_CURRENT_BINARY_DIR}/${NAME}.cpp)
  add_custom_command(
    OUTPUT ${OUT}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${INPUT} -DOUTPUT=${OUT} -DNAME=${NAME}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Embed.cmake
    DEPENDS ${INPUT} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Embed.cmake
    VERBATIM)
  set(${VAR} ${OUT} PARENT_SCOPE)
endfunction()

# The English language file, for the simulated host. ROOT is the project's root.
function(qmate_embed_english VAR ROOT)
  qmate_embed_file(OUT ${ROOT}/dist/qmateEng.lng SimEnglishLanguage)
  set(${VAR} ${OUT} PARENT_SCOPE)
endfunction()

# The shipped word files, for the command-line tool when no setup folder is found.
function(qmate_embed_word_files VAR ROOT)
  qmate_embed_file(KEYWORDS ${ROOT}/dist/setup/Keywords.dat QmateShippedKeywords)
  qmate_embed_file(REPLACE ${ROOT}/dist/setup/Replace.dat QmateShippedReplace)
  set(${VAR} ${KEYWORDS} ${REPLACE} PARENT_SCOPE)
endfunction()
