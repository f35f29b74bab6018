# Shared helpers for the project's targets: warnings, sanitizers, tests under
# Wine, benchmarks and fuzz targets.

if(WIN32)
  # Every Windows test and tool runs under Wine, in a prefix private to this
  # build tree (created on first use, see scripts/wine-exec).
  # The emulator is one program (a list is not passed through intact by
  # gtest discovery), so a small launcher in the build tree names the prefix.
  set(NORVA_PREFIXO_WINE "${CMAKE_BINARY_DIR}/wine")
  file(CONFIGURE OUTPUT "${CMAKE_BINARY_DIR}/wine-exec" @ONLY CONTENT
"#!/bin/sh\nexec \"@PROJECT_SOURCE_DIR@/scripts/wine-exec\" \"@NORVA_PREFIXO_WINE@\" \"$@\"\n")
  file(CHMOD "${CMAKE_BINARY_DIR}/wine-exec" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-exec")
endif()

if(NORVA_SANITIZADORES)
  list(JOIN NORVA_SANITIZADORES "," _norva_san)
  add_compile_options(-fsanitize=${_norva_san} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_norva_san})
endif()

if(NORVA_FUZZ)
  # Coverage for everything the fuzz targets link.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings as errors for the project's own targets only (not GoogleTest), in
# each compiler's own spelling: the README offers a Visual Studio build.
function(norva_avisos alvo)
  if(MSVC)
    target_compile_options(${alvo} PRIVATE /W4 /WX /utf-8)
  else()
    target_compile_options(${alvo} PRIVATE -Wall -Wextra -Werror)
  endif()
  if(WIN32)
    # Unicode Windows API everywhere; nothing of <windows.h> that we do not use.
    target_compile_definitions(${alvo} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
  endif()
endfunction()

# norva_biblioteca(nome FONTES ... DEPENDE ...): a static library of the project.
function(norva_biblioteca nome)
  cmake_parse_arguments(A "" "" "FONTES;DEPENDE" ${ARGN})
  add_library(${nome} STATIC ${A_FONTES})
  target_include_directories(${nome} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${nome} PUBLIC ${A_DEPENDE})
  norva_avisos(${nome})
endfunction()

# norva_teste(nome [REGISTRO_DA_MAQUINA] FONTES ... DEPENDE ...): a GoogleTest
# executable whose cases ctest runs one by one (under Wine for the Windows
# build). On Windows its log goes to a file of its own, unless it says
# REGISTRO_DA_MAQUINA (it reads what the DLL writes to the machine-wide log:
# its cases then hold that log's lock, so no other process writes it).
function(norva_teste nome)
  cmake_parse_arguments(A "REGISTRO_DA_MAQUINA" "" "FONTES;DEPENDE" ${ARGN})
  add_executable(${nome} ${A_FONTES})
  target_link_libraries(${nome} PRIVATE ${A_DEPENDE} GTest::gtest_main GTest::gmock)
  norva_avisos(${nome})
  if(WIN32)
    set(_trava "")
    if(A_REGISTRO_DA_MAQUINA)
      set(_trava RESOURCE_LOCK norva_registro_da_maquina)
    else()
      target_link_libraries(${nome} PRIVATE norva_registro_privado)
    endif()
    # Discovery runs the test program under Wine, which may have to create the
    # prefix first: do it when ctest starts, with a generous time-out.
    gtest_discover_tests(${nome} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300
                         PROPERTIES TIMEOUT 300 ${_trava})
  else()
    gtest_discover_tests(${nome} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()

# norva_benchmark(nome FONTES ... DEPENDE ...): a Google Benchmark program
# (host release build only).
function(norva_benchmark nome)
  cmake_parse_arguments(A "" "" "FONTES;DEPENDE" ${ARGN})
  if(NOT NORVA_BENCHMARKS)
    return()
  endif()
  add_executable(${nome} ${A_FONTES})
  target_link_libraries(${nome} PRIVATE ${A_DEPENDE} benchmark::benchmark)
  norva_avisos(${nome})
endfunction()

# norva_fuzz(nome FONTES ... DEPENDE ...): a libFuzzer target (fuzz build only).
function(norva_fuzz nome)
  cmake_parse_arguments(A "" "" "FONTES;DEPENDE" ${ARGN})
  if(NOT NORVA_FUZZ)
    return()
  endif()
  add_executable(${nome} ${A_FONTES})
  target_compile_options(${nome} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${nome} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${nome} PRIVATE ${A_DEPENDE})
  norva_avisos(${nome})
endfunction()
