# The release package, norva-camera-<version>-win64.zip (cmake --build
# --preset windows --target package): the camera DLL, norva-camera.exe, the
# probe, the reference writer, the README and INSTALL.txt, all in one folder.
# Binaries are stripped: the debug information stays in the build tree.

install(TARGETS norva_camera_fonte norva_camera sonda escritor_de_referencia
  RUNTIME DESTINATION . COMPONENT camera
  LIBRARY DESTINATION . COMPONENT camera
  ARCHIVE DESTINATION lib COMPONENT desenvolvimento EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_LIST_DIR}/INSTALL.txt DESTINATION . COMPONENT camera)

# The producer library's place in the package: its CMakeLists adds its
# library targets and public headers with
#   set_property(GLOBAL APPEND PROPERTY NORVA_PACOTE_BIBLIOTECAS <target>)
#   set_property(GLOBAL APPEND PROPERTY NORVA_PACOTE_CABECALHOS <header>)
# and they land in lib/ and include/ of the zip.
get_property(_norva_bibliotecas GLOBAL PROPERTY NORVA_PACOTE_BIBLIOTECAS)
get_property(_norva_cabecalhos GLOBAL PROPERTY NORVA_PACOTE_CABECALHOS)
if(_norva_bibliotecas)
  install(TARGETS ${_norva_bibliotecas}
    RUNTIME DESTINATION lib COMPONENT camera
    LIBRARY DESTINATION lib COMPONENT camera
    ARCHIVE DESTINATION lib COMPONENT camera)
endif()
if(_norva_cabecalhos)
  install(FILES ${_norva_cabecalhos} DESTINATION include COMPONENT camera)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME norva-camera)
set(CPACK_PACKAGE_VENDOR Norva)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME norva-camera-${PROJECT_VERSION}-win64)
set(CPACK_COMPONENTS_ALL camera)
set(CPACK_STRIP_FILES ON)
include(CPack)

# The package as a user gets it: unpacked, its files checked, its DLL
# registered with regsvr32 and read through the registered class, then
# unregistered. The class's machine-wide key is shared with the
# registration tests: never at the same time.
add_test(NAME norva_pacote COMMAND ${CMAKE_COMMAND}
  -DBINARIOS=${CMAKE_BINARY_DIR} -DEMULADOR=${CMAKE_CROSSCOMPILING_EMULATOR}
  -DVERSAO=${PROJECT_VERSION} -DCPACK=${CMAKE_CPACK_COMMAND}
  -P ${CMAKE_CURRENT_LIST_DIR}/teste_do_pacote.cmake)
set_tests_properties(norva_pacote PROPERTIES TIMEOUT 300 RESOURCE_LOCK norva_registro_da_maquina)
