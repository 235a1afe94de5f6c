# Turns a file into a C++ source defining a byte array and its size.
# Usage: cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=Symbol -P Embed.cmake
file(READ "${INPUT}" HEX HEX)
string(LENGTH "${HEX}" HEXLEN)
math(EXPR SIZE "${HEXLEN} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," BODY "${HEX}")
file(WRITE "${OUTPUT}" "extern const char ${NAME}Bytes[];\nextern const unsigned ${NAME}Size;\nconst char ${NAME}Bytes[] = {${BODY} 0};\nconst unsigned ${NAME}Size = ${SIZE};\n")
