#include "fonte/src/registro/arquivo_do_registro.h"

#include <sddl.h>
#include <winternl.h>

#include <algorithm>
#include <limits>
#include <string>

#include "fonte/src/registro/acesso_da_pasta.h"

namespace norva {
namespace {

static_assert((ACESSO_SO_ACRESCIMO & ~ACESSO_DOS_USUARIOS_AOS_ARQUIVOS) == 0,
              "every account must be able to open the log as the writer does");

constexpr wchar_t BARRA = L'\\';

// The largest piece one WriteFile call takes.
constexpr std::size_t MAIOR_ESCRITA = MAXDWORD;

// The folder handle only anchors the file's open and answers what the folder
// is: no data access, and full sharing so it never stands in anyone's way.
constexpr DWORD ACESSO_A_PASTA = FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

// Whether the text before a backslash names something that can be created:
// not the empty start of "\\server", not a drive "C:", not the "\\?" prefix.
bool nivel_criavel(std::wstring_view prefixo) {
  if (prefixo.empty()) return false;
  const wchar_t ultimo = prefixo.back();
  return ultimo != BARRA && ultimo != L':' && ultimo != L'?';
}

// Closes the handle however the writing ends.
struct Alca {
  HANDLE h;
  ~Alca() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

// Asked of the handle itself, so that what is checked is what is written.
bool e_pasta_propria(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool e_arquivo_proprio(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info{};
  return GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
         info.nNumberOfLinks == 1;
}

// The folder itself: a reparse point there is opened, not followed.
HANDLE abrir_pasta(const std::wstring& pasta) {
  return CreateFileW(pasta.c_str(), ACESSO_A_PASTA, COMPARTILHAMENTO_TOTAL, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Opens (or creates, inheriting the folder's access list) `arquivo` inside
// the folder already opened and checked. The name is resolved from that
// handle, not from the folder's path, so a junction swapped in after the
// check cannot redirect the line; a reparse point named `arquivo` is opened,
// not followed. Only the native call takes a directory handle as the start
// of a name; ntdll is mapped in every process.
HANDLE abrir_arquivo_na_pasta(HANDLE pasta, std::wstring_view arquivo) {
  using NtCreateFileFn = decltype(&NtCreateFile);
  const auto criar = reinterpret_cast<NtCreateFileFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtCreateFile")));
  const std::size_t bytes = arquivo.size() * sizeof(wchar_t);
  if (criar == nullptr || bytes > std::numeric_limits<USHORT>::max()) return INVALID_HANDLE_VALUE;
  std::wstring nome(arquivo);
  UNICODE_STRING nome_nativo{static_cast<USHORT>(bytes), static_cast<USHORT>(bytes), nome.data()};
  OBJECT_ATTRIBUTES atributos;
  InitializeObjectAttributes(&atributos, &nome_nativo, OBJ_CASE_INSENSITIVE, pasta, nullptr);
  IO_STATUS_BLOCK resultado{};
  HANDLE h = INVALID_HANDLE_VALUE;
  const NTSTATUS status =
      criar(&h, ACESSO_SO_ACRESCIMO, &atributos, &resultado, nullptr, FILE_ATTRIBUTE_NORMAL, COMPARTILHAMENTO_TOTAL,
            FILE_OPEN_IF, FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr,
            0);
  return status >= 0 ? h : INVALID_HANDLE_VALUE;
}

}  // namespace

DescritorDeSeguranca descritor_da_pasta() noexcept {
  PSECURITY_DESCRIPTOR descritor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(SDDL_DA_PASTA_DO_REGISTRO.data(), SDDL_REVISION_1,
                                                            &descritor, nullptr)) {
    return nullptr;
  }
  return DescritorDeSeguranca(descritor);
}

void criar_pasta_com_niveis(std::wstring_view pasta) noexcept {
  try {
    // Never the inherited list: created without its own, the folder would
    // belong to whichever account came first.
    const DescritorDeSeguranca descritor = descritor_da_pasta();
    if (!descritor) return;
    SECURITY_ATTRIBUTES protegida{sizeof(SECURITY_ATTRIBUTES), descritor.get(), FALSE};
    std::wstring caminho(pasta);
    if (CreateDirectoryW(caminho.c_str(), &protegida) || GetLastError() != ERROR_PATH_NOT_FOUND) return;
    // A parent is missing: create every level from the top, then the folder.
    for (std::size_t i = caminho.find(BARRA); i != std::wstring::npos; i = caminho.find(BARRA, i + 1)) {
      if (!nivel_criavel(std::wstring_view(caminho).substr(0, i))) continue;
      caminho[i] = L'\0';
      CreateDirectoryW(caminho.c_str(), nullptr);
      caminho[i] = BARRA;
    }
    CreateDirectoryW(caminho.c_str(), &protegida);
  } catch (...) {
    // Out of memory for the path: the open will tell.
  }
}

void acrescentar_linha(std::wstring_view pasta, std::wstring_view arquivo, std::string_view linha) noexcept {
  try {
    criar_pasta_com_niveis(pasta);
    const Alca aberta{abrir_pasta(std::wstring(pasta))};
    if (aberta.h == INVALID_HANDLE_VALUE || !e_pasta_propria(aberta.h)) return;
    const Alca aberto{abrir_arquivo_na_pasta(aberta.h, arquivo)};
    if (aberto.h == INVALID_HANDLE_VALUE || !e_arquivo_proprio(aberto.h)) return;
    while (!linha.empty()) {
      const auto pedaco = static_cast<DWORD>(std::min(linha.size(), MAIOR_ESCRITA));
      DWORD escritos = 0;
      if (!WriteFile(aberto.h, linha.data(), pedaco, &escritos, nullptr) || escritos == 0) return;
      linha.remove_prefix(std::min<std::size_t>(escritos, linha.size()));
    }
  } catch (...) {
    // Out of memory for the path: the line is lost, as with any failure.
  }
}

}  // namespace norva
