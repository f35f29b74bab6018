// The calls that need Windows 11, kept apart and thin: looking up
// MFCreateVirtualCamera at run time, and opening a virtual camera of this
// DLL's class. Nothing here runs under Wine (it has no mfsensorgroup.dll);
// the tool's tests cover only the lookup's "not available" answer.
#pragma once

#include <windows.h>

#include <wrl/client.h>

#include <string>

#include "ferramentas/norva-camera/declaracoes_da_camera_virtual.h"
#include "ferramentas/norva-camera/opcoes.h"

namespace norva::ferramentas {

using MFCreateVirtualCameraFn = HRESULT(WINAPI*)(MFVirtualCameraType, MFVirtualCameraLifetime,
                                                 MFVirtualCameraAccess, LPCWSTR, LPCWSTR, const GUID*, ULONG,
                                                 IMFVirtualCamera**);

// MFCreateVirtualCamera from the system's mfsensorgroup.dll, or null.
MFCreateVirtualCameraFn funcao_de_criacao();

// The one-line refusal when funcao_de_criacao() is null.
inline constexpr const char* PRECISA_DO_WINDOWS_11 =
    "needs Windows 11 (build 22000 or later): this system has no MFCreateVirtualCamera in mfsensorgroup.dll";

// funcao_de_criacao(), or null after printing the refusal for `subcomando`.
MFCreateVirtualCameraFn funcao_para(const char* subcomando);

// A virtual camera of the camera class under friendly name `nome`: made
// for `criar`, or made again with the same identity for `remover`.
HRESULT abrir_camera_virtual(MFCreateVirtualCameraFn criar, Duracao duracao, Acesso acesso, const std::wstring& nome,
                             Microsoft::WRL::ComPtr<IMFVirtualCamera>& camera);

}  // namespace norva::ferramentas
