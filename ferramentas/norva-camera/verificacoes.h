// The checks of `norva-camera diagnosticar`, one function each. Every check
// takes what it looks at as parameters (registry key, folder, pipe name), so
// tests point it at private registry keys, folders and pipes; diagnosticar
// passes the camera's real ones.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace norva::ferramentas {

// One line of the diagnosis: what was checked, what was found, and when it
// failed, what to do about it.
struct Verificacao {
  bool ok = false;
  std::string assunto;
  std::string achado;
  std::string correcao;  // empty when ok
};

// "OK   assunto: achado" or "FAIL assunto: achado -- fix: correcao".
std::string linha_da_verificacao(const Verificacao& v);

// The class's in-process server key under HKEY_LOCAL_MACHINE names a DLL
// that exists. `caminho` receives the registered path when that file exists.
Verificacao verificar_classe(const std::wstring& chave_do_servidor, std::optional<std::wstring>& caminho);

// The DLL's version resource, compared with this tool's own version.
Verificacao verificar_versao(const std::optional<std::wstring>& dll, const std::string& versao_esperada);

// The DLL and its folder grant LOCAL SERVICE read and execute.
Verificacao verificar_leitura_pelo_servico(const std::optional<std::wstring>& dll);

// `pasta` exists, is a real folder (no junction) and carries exactly the
// protected access list the log writer gives the log's folder.
Verificacao verificar_pasta_do_registro(const std::wstring& pasta);

// Which pipe `nome` selects and whether a writer serves it now. `servido`
// receives the answer.
Verificacao verificar_cano(const std::optional<std::string>& nome, bool& servido);

// The served pipe's access list lets LOCAL SERVICE read.
Verificacao verificar_acesso_ao_cano(const std::optional<std::string>& nome, bool servido);

// This Windows build can create virtual cameras (22000 or later, and the
// function that creates them is there).
Verificacao verificar_versao_do_windows();

}  // namespace norva::ferramentas
