# Script mode: writes OUTPUT, a source file defining the std::string_view SYMBOL (a qualified
# name declared in a header of its layer) that holds the text of INPUT.
file(READ ${INPUT} text)
string(FIND "${text}" ")text\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "EmbedText: ${INPUT} holds the string delimiter")
endif()
set(body "// Made by the build from ${NAME}; edit that file, not this one.\n#include <string_view>\n\n")
string(REGEX MATCH "^(.*)::([^:]+)$" qualified "${SYMBOL}")
string(APPEND body "namespace ${CMAKE_MATCH_1} {\nextern const std::string_view ${CMAKE_MATCH_2};\n")
string(APPEND body "const std::string_view ${CMAKE_MATCH_2} = R\"text(${text})text\";\n}\n")
file(WRITE ${OUTPUT}.new "${body}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
