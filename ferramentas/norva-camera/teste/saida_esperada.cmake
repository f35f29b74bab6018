# Runs PROGRAMA (under EMULADOR) with ARGUMENTOS (comma-separated) and
# checks its exit status against STATUS and its output against the regular
# expression TEXTO.
string(REPLACE "," ";" _argumentos "${ARGUMENTOS}")
execute_process(COMMAND ${EMULADOR} ${PROGRAMA} ${_argumentos}
  RESULT_VARIABLE _status OUTPUT_VARIABLE _saida ERROR_VARIABLE _erro TIMEOUT 100)
message("${_saida}${_erro}")
if(NOT _status STREQUAL STATUS)
  message(FATAL_ERROR "exit status ${_status}, expected ${STATUS}")
endif()
if(NOT "${_saida}${_erro}" MATCHES "${TEXTO}")
  message(FATAL_ERROR "output does not match: ${TEXTO}")
endif()
