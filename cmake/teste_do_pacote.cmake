# The release package's test (run by ctest, see Pacote.cmake): makes the zip
# with CPack into a private folder, unpacks it, checks its files, registers
# its DLL with regsvr32 under Wine, reads samples through the registered
# class with the packaged probe, and unregisters (re-registering whatever
# was registered before).
#   -DBINARIOS= build tree  -DEMULADOR= wine-exec  -DVERSAO=  -DCPACK=
string(RANDOM LENGTH 8 ALPHABET 0123456789abcdef _sufixo)
set(_pasta ${BINARIOS}/teste-do-pacote-${_sufixo})
set(_nome norva-camera-${VERSAO}-win64)
set(_chave "HKLM\\SOFTWARE\\Classes\\CLSID\\{3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036}\\InprocServer32")
set(_falhas "")

# Output goes through files, not pipes: a Wine program may start the
# desktop process (explorer.exe), which inherits its standard streams and
# outlives it, and a pipe would then stay open until the time-out.
function(executar saida)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE _status TIMEOUT 120
                  OUTPUT_FILE ${_pasta}/saida.txt ERROR_FILE ${_pasta}/erros.txt)
  file(READ ${_pasta}/saida.txt _out)
  file(READ ${_pasta}/erros.txt _err)
  message("$ ${ARGN}\n-> ${_status}\n${_out}${_err}")
  set(${saida}_status "${_status}" PARENT_SCOPE)
  set(${saida} "${_out}${_err}" PARENT_SCOPE)
endfunction()

function(janelas caminho saida)  # a Unix path as Wine's drive Z sees it
  string(REPLACE "/" "\\" _w "Z:${caminho}")
  set(${saida} "${_w}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${_pasta})
file(MAKE_DIRECTORY ${_pasta})
executar(cpack ${CPACK} --config ${BINARIOS}/CPackConfig.cmake -B ${_pasta})
if(NOT EXISTS ${_pasta}/${_nome}.zip)
  message(FATAL_ERROR "CPack made no ${_nome}.zip")
endif()
file(MAKE_DIRECTORY ${_pasta}/aberto)
executar(tar ${CMAKE_COMMAND} -E chdir ${_pasta}/aberto ${CMAKE_COMMAND} -E tar xf ${_pasta}/${_nome}.zip)

# Exactly these files, in one top folder.
file(GLOB_RECURSE _arquivos RELATIVE ${_pasta}/aberto ${_pasta}/aberto/*)
list(SORT _arquivos)
set(_esperados
  ${_nome}/INSTALL.txt ${_nome}/README.md ${_nome}/escritor_de_referencia.exe
  ${_nome}/norva-camera-vigia.exe ${_nome}/norva-camera.exe ${_nome}/norva_camera_fonte.dll
  ${_nome}/include/norva_escritor.h ${_nome}/lib/libnorva_escritor.dll.a ${_nome}/lib/norva_escritor.dll)
list(SORT _esperados)
if(NOT _arquivos STREQUAL _esperados)
  message(FATAL_ERROR "package holds\n  ${_arquivos}\nexpected\n  ${_esperados}")
endif()

set(_raiz ${_pasta}/aberto/${_nome})
janelas(${_raiz}/norva_camera_fonte.dll _dll)

# Whatever is registered now is put back at the end.
executar(antes ${EMULADOR} reg query "${_chave}" /ve)
set(_anterior "")
if(antes_status EQUAL 0 AND antes MATCHES "REG_SZ[ \t]+([^\r\n]+)")
  set(_anterior "${CMAKE_MATCH_1}")
endif()

executar(registro ${EMULADOR} regsvr32 /s ${_dll})
executar(diagnostico ${EMULADOR} ${_raiz}/norva-camera.exe diagnosticar --name norva-teste-pacote-${_sufixo})
executar(vigia ${EMULADOR} ${_raiz}/norva-camera-vigia.exe --name norva-teste-pacote-${_sufixo} --samples 30)
executar(escritor ${EMULADOR} ${_raiz}/escritor_de_referencia.exe --help)
executar(desregistro ${EMULADOR} regsvr32 /u /s ${_dll})
if(_anterior)
  executar(restauracao ${EMULADOR} regsvr32 /s "${_anterior}")
endif()
file(REMOVE_RECURSE ${_pasta})

string(REPLACE "\\" "\\\\" _dll_re "${_dll}")
string(REPLACE "." "\\." _dll_re "${_dll_re}")
if(NOT registro_status EQUAL 0)
  list(APPEND _falhas "regsvr32 failed")
endif()
if(NOT diagnostico MATCHES "OK   class [^\n]*: registered, ${_dll_re}\n")
  list(APPEND _falhas "diagnosticar does not see the packaged DLL registered")
endif()
if(NOT diagnostico MATCHES "OK   DLL version: ${VERSAO}\n")
  list(APPEND _falhas "diagnosticar does not read version ${VERSAO} from the packaged DLL")
endif()
if(NOT vigia_status EQUAL 0 OR NOT vigia MATCHES "samples: 30 read")
  list(APPEND _falhas "the probe read no samples through the registered class")
endif()
if(NOT escritor_status EQUAL 0)
  list(APPEND _falhas "the packaged reference writer does not run")
endif()
if(_falhas)
  message(FATAL_ERROR "${_falhas}")
endif()
