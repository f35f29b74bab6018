// Test support: norva_camera_fonte.dll loaded as a consumer loads it
// (LoadLibrary, then GetProcAddress for each export), nothing linked in, and
// the steps that name, activate and start one of its cameras.
#pragma once

#include <windows.h>
#include <mfidl.h>
#include <wrl/client.h>

#include <string>

namespace norva::teste {

inline constexpr wchar_t NOME_DA_DLL[] = L"norva_camera_fonte.dll";

// {3A1F6C2D-7B4E-4D89-A0C5-9E2B71D4F036}, written here again rather than
// taken from the DLL's own header, so that a changed id fails the tests.
inline constexpr GUID CLSID_DA_FONTE{0x3A1F6C2D, 0x7B4E, 0x4D89, {0xA0, 0xC5, 0x9E, 0x2B, 0x71, 0xD4, 0xF0, 0x36}};

// The exports, with the class and interface ids as pointers so that tests can
// pass null ones.
struct Exportacoes {
  HRESULT(STDAPICALLTYPE* DllGetClassObject)(const GUID* rclsid, const GUID* riid, void** ppv) = nullptr;
  HRESULT(STDAPICALLTYPE* DllCanUnloadNow)() = nullptr;
  HRESULT(STDAPICALLTYPE* DllRegisterServer)() = nullptr;
  HRESULT(STDAPICALLTYPE* DllUnregisterServer)() = nullptr;
};

// The DLL built beside the test programs.
std::wstring caminho_da_dll();

// Loads the DLL at `caminho` (LoadLibraryW) and finds its four exports; the
// test fails when the DLL or an export is missing. The module stays loaded:
// the DLL is never meant to be unloaded while objects of it live.
HMODULE carregar_dll(const std::wstring& caminho, Exportacoes& exportacoes);

// The camera `nome` (ASCII) named through IMFAttributes and activated.
Microsoft::WRL::ComPtr<IMFMediaSource> ativar_camera(IMFActivate* ativador, const std::string& nome);

// A camera made by `fabrica`, activated as above and started with its own
// presentation descriptor; null (and the test failed) when a step failed.
Microsoft::WRL::ComPtr<IMFMediaSource> camera_iniciada(IClassFactory* fabrica, const std::string& nome);

}  // namespace norva::teste
