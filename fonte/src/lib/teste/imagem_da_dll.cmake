# What norva_camera_fonte.dll asks of the machine it is loaded on, and what it
# says about itself, read from the PE file with mingw's own binutils. Frame
# Server loads the DLL into a service where nothing but Windows' own DLLs can
# be found, so one stray runtime DLL would make the camera fail to load.
#   cmake -DOBJDUMP=<objdump> -DWINDRES=<windres> -DDLL=<dll> -P imagem_da_dll.cmake

cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND "${OBJDUMP}" -p "${DLL}" OUTPUT_VARIABLE pe RESULT_VARIABLE falhou)
if(falhou OR NOT pe MATCHES "pei-x86-64")
  message(FATAL_ERROR "${DLL} is not a PE32+ image (objdump -p: ${falhou})")
endif()

# Windows' own DLLs, in System32 on every supported Windows. msvcrt.dll is
# here on purpose: mingw-w64 links its C runtime against it, and it has been a
# system component since Windows 2000. Anything from a compiler's
# redistributable (libstdc++-6, libgcc_s, libwinpthread, vcruntime140) is not.
set(do_sistema kernel32.dll advapi32.dll ole32.dll oleaut32.dll combase.dll mfplat.dll msvcrt.dll ucrtbase.dll)
string(REGEX MATCHALL "DLL Name: [^\n]+" importadas "${pe}")
if(NOT importadas)
  message(FATAL_ERROR "no import directory in ${DLL}")
endif()
foreach(linha IN LISTS importadas)
  string(REPLACE "DLL Name: " "" nome "${linha}")
  string(TOLOWER "${nome}" nome)
  list(APPEND nomes "${nome}")
  if(NOT nome IN_LIST do_sistema AND NOT nome MATCHES "^api-ms-win-")
    list(APPEND estranhas "${nome}")
  endif()
endforeach()
if(estranhas)
  message(FATAL_ERROR "imports DLLs that are not Windows' own: ${estranhas}")
endif()

# Exactly the four COM entry points, undecorated.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(\t\\[ *[0-9]+\\] [^\n]+\n)*" tabela "${pe}")
string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^\n]+" exportadas "${tabela}")
list(TRANSFORM exportadas REPLACE "^\t\\[ *[0-9]+\\] " "")
list(SORT exportadas)
set(esperadas DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer)
if(NOT exportadas STREQUAL esperadas)
  message(FATAL_ERROR "exports '${exportadas}', expected '${esperadas}'")
endif()

# The version resource names the product and the file.
execute_process(COMMAND "${WINDRES}" -i "${DLL}" -O rc OUTPUT_VARIABLE rc RESULT_VARIABLE falhou)
foreach(valor "\"ProductName\", \"Norva Virtual Camera\"" "\"OriginalFilename\", \"norva_camera_fonte.dll\""
              "\"FileDescription\", \"[^\"]+\"" "\"FileVersion\", \"[0-9]+\\.[0-9]+\\.[0-9]+\"")
  if(falhou OR NOT rc MATCHES "VALUE ${valor}")
    message(FATAL_ERROR "the version resource lacks VALUE ${valor}")
  endif()
endforeach()
message(STATUS "${DLL}: imports ${nomes}; exports ${exportadas}")
