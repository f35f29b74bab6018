# Runs PROGRAMA (through EMULADOR, when cross-compiled) with ENTRADA on its
# standard input, then checks: standard output equals ESPERADO byte for byte,
# the exit status is STATUS, and standard error matches ERRO (or is empty when
# ERRO is empty).
execute_process(
  COMMAND ${EMULADOR} ${PROGRAMA}
  INPUT_FILE ${ENTRADA}
  OUTPUT_FILE ${OBTIDO}
  ERROR_VARIABLE erro
  RESULT_VARIABLE status)

set(falhas "")
if(NOT status STREQUAL STATUS)
  string(APPEND falhas "exit status ${status}, expected ${STATUS}\n")
endif()
file(READ ${OBTIDO} obtido HEX)
file(READ ${ESPERADO} esperado HEX)
if(NOT obtido STREQUAL esperado)
  string(APPEND falhas "standard output differs from ${ESPERADO}\n  got (hex):      ${obtido}\n  expected (hex): ${esperado}\n")
endif()
if(ERRO STREQUAL "")
  if(NOT erro STREQUAL "")
    string(APPEND falhas "unexpected standard error: ${erro}\n")
  endif()
elseif(NOT erro MATCHES "${ERRO}")
  string(APPEND falhas "standard error does not match '${ERRO}': ${erro}\n")
endif()
if(falhas)
  message(FATAL_ERROR "${falhas}")
endif()
