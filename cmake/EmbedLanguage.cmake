# The rule that builds the English language file into a C++ source for the simulated host.
# qmate_embed_english(VAR ROOT) sets VAR to the generated source; ROOT is the project's root.
function(qmate_embed_english VAR ROOT)
  set(OUT ${CMAKE_CURRENT_BINARY_DIR}/english_lng.cpp)
  add_custom_command(
    OUTPUT ${OUT}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${ROOT}/dist/qmateEng.lng -DOUTPUT=${OUT}
            -DNAME=SimEnglishLanguage -P ${ROOT}/cmake/Embed.cmake
    DEPENDS ${ROOT}/dist/qmateEng.lng ${ROOT}/cmake/Embed.cmake
    VERBATIM)
  set(${VAR} ${OUT} PARENT_SCOPE)
endfunction()
