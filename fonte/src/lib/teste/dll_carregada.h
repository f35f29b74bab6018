// Test support: norva_camera_fonte.dll loaded as a consumer loads it
// (LoadLibrary, then GetProcAddress for each export), nothing linked in.
#pragma once

#include <windows.h>

#include <string>

namespace norva::teste {

inline constexpr wchar_t NOME_DA_DLL[] = L"norva_camera_fonte.dll";

// The exports, with the class and interface ids as pointers so that tests can
// pass null ones.
using DllGetClassObjectFn = HRESULT(STDAPICALLTYPE*)(const GUID* rclsid, const GUID* riid, void** ppv);
using SemArgumentosFn = HRESULT(STDAPICALLTYPE*)();

struct Exportacoes {
  DllGetClassObjectFn DllGetClassObject = nullptr;
  SemArgumentosFn DllCanUnloadNow = nullptr;
  SemArgumentosFn DllRegisterServer = nullptr;
  SemArgumentosFn DllUnregisterServer = nullptr;
};

// The folder of the running test program, with a trailing backslash.
std::wstring pasta_do_executavel();

// The DLL built beside the test programs.
std::wstring caminho_da_dll();

// Loads the DLL at `caminho` (LoadLibraryW) and finds its four exports; the
// test fails (fatally) when the DLL or an export is missing. The module stays
// loaded: the DLL is never meant to be unloaded while objects of it live.
HMODULE carregar_dll(const std::wstring& caminho, Exportacoes& exportacoes);

// UTF-16 to UTF-8, for comparing with log lines and registry strings.
std::string para_utf8(const std::wstring& texto);

}  // namespace norva::teste
