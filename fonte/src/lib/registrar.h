// Self-registration: the machine-wide COM class entries that let the camera
// stack and any COM client find this DLL by CLSID_FONTE, and their removal.
// Every value goes under HKEY_LOCAL_MACHINE; nothing under the current user.
#pragma once

#include <windows.h>

#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace norva {

// The class's default value (27 characters) and its threading model.
inline constexpr std::string_view NOME_DA_CLASSE = "Norva Virtual Camera Source";
inline constexpr std::string_view NOME_DO_MODELO_DE_THREADS = "ThreadingModel";
inline constexpr std::string_view MODELO_DE_THREADS = "Both";

// Creates (or opens) HKEY_LOCAL_MACHINE\`chave` and stores `conteudo` as a
// REG_SZ under `nome_do_valor` (absent: the key's default value). The stored
// byte count includes the terminating NUL.
std::expected<void, HRESULT> gravar_valor(std::string_view chave, std::optional<std::string_view> nome_do_valor,
                                          std::string_view conteudo);

// The body of DllRegisterServer for a DLL at `caminho` (UTF-8; empty when
// the platform gave no path, which writes nothing at all). Logs its outcome.
HRESULT registrar_servidor(const std::string& caminho);

// The body of DllUnregisterServer: deletes the class key with everything
// below it and logs the Win32 code. S_OK when the key is gone or was never
// there (code 2); any other code as its HRESULT (0x80070000 | code).
HRESULT desregistrar_servidor();

}  // namespace norva
