#include "fonte/src/registro/texto_de_erro_windows.h"

#include <oleauto.h>

#include <algorithm>
#include <string_view>

#include "fonte/src/registro/utf8.h"

namespace norva {
namespace {

constexpr DWORD MENSAGEM_DO_SISTEMA = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD MENSAGEM_DO_NTDLL = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                    FORMAT_MESSAGE_IGNORE_INSERTS;
constexpr DWORD IDIOMA_PADRAO = 0;  // the system's choice of language

// Owns a buffer FormatMessageW allocated.
struct BufferLocal {
  wchar_t* texto = nullptr;
  ~BufferLocal() { LocalFree(texto); }
};

// Owns a BSTR handed out by GetDescription.
struct Bstr {
  BSTR texto = nullptr;
  ~Bstr() { SysFreeString(texto); }
};

std::string utf8_sem_espacos_finais(std::wstring_view texto) {
  return std::string(sem_espacos_finais(utf8_de_utf16(texto)));
}

}  // namespace

std::string mensagem_do_sistema(DWORD codigo) {
  DWORD origem = MENSAGEM_DO_SISTEMA;
  HMODULE tabela = nullptr;
  if ((codigo & BIT_DE_NTSTATUS) != 0) {
    // ntdll.dll is mapped into every process: no load, no reference to drop.
    tabela = GetModuleHandleW(L"ntdll.dll");
    if (tabela == nullptr) return {};
    origem = MENSAGEM_DO_NTDLL;
    codigo &= ~BIT_DE_NTSTATUS;
  }
  BufferLocal buffer;
  // With ALLOCATE_BUFFER the function writes a pointer where the text would go.
  const DWORD tamanho = FormatMessageW(origem, tabela, codigo, IDIOMA_PADRAO,
                                       reinterpret_cast<LPWSTR>(&buffer.texto), 0, nullptr);
  if (tamanho == 0 || buffer.texto == nullptr) return {};
  return utf8_sem_espacos_finais(std::wstring_view(buffer.texto, tamanho));
}

std::string descricao_do_erro(IErrorInfo* informacao) {
  if (informacao == nullptr) return {};
  Bstr descricao;
  if (FAILED(informacao->GetDescription(&descricao.texto)) || descricao.texto == nullptr) return {};
  return utf8_sem_espacos_finais(std::wstring_view(descricao.texto, SysStringLen(descricao.texto)));
}

std::string texto_do_erro(HRESULT hr, IErrorInfo* informacao) {
  std::string mensagem = descricao_do_erro(informacao);
  if (mensagem.empty()) mensagem = mensagem_do_sistema(static_cast<DWORD>(hr));
  return texto_do_erro_com_mensagem(mensagem, hr);
}

std::string texto_do_erro_do_sistema(DWORD codigo) {
  return texto_do_erro_do_sistema_com_mensagem(mensagem_do_sistema(codigo), codigo);
}

std::string texto_do_guid(const GUID& guid) {
  CamposDoGuid campos{guid.Data1, guid.Data2, guid.Data3, {}};
  std::copy(std::begin(guid.Data4), std::end(guid.Data4), campos.data4.begin());
  return texto_do_guid(campos);
}

}  // namespace norva
