// What norva_camera_fonte.dll asks of the machine it is loaded on: the DLLs
// it imports and the names it exports, read from the PE file itself. Frame
// Server loads it into a service where nothing but Windows' own DLLs can be
// found, so one stray runtime DLL would make the camera fail to load.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fonte/src/lib/teste/dll_carregada.h"

namespace norva::teste {
namespace {

// A PE32+ image read into memory, with just enough parsing to walk its import
// and export directories.
class ImagemPe {
 public:
  explicit ImagemPe(const std::wstring& caminho) {
    std::ifstream arquivo(caminho.c_str(), std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(arquivo), {});
  }

  bool valida() const {
    const auto* dos = em<IMAGE_DOS_HEADER>(0);
    if (dos == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const auto* nt = em<IMAGE_NT_HEADERS64>(static_cast<std::size_t>(dos->e_lfanew));
    return nt != nullptr && nt->Signature == IMAGE_NT_SIGNATURE &&
           nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
  }

  std::vector<std::string> dlls_importadas() const {
    std::vector<std::string> nomes;
    const auto diretorio = this->diretorio(IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (!diretorio || diretorio->VirtualAddress == 0) return nomes;
    auto deslocamento = arquivo_de(diretorio->VirtualAddress);
    while (deslocamento) {
      const auto* descritor = em<IMAGE_IMPORT_DESCRIPTOR>(*deslocamento);
      if (descritor == nullptr || descritor->Name == 0) break;
      nomes.push_back(texto_em(descritor->Name));
      *deslocamento += sizeof(IMAGE_IMPORT_DESCRIPTOR);
    }
    return nomes;
  }

  std::vector<std::string> nomes_exportados() const {
    std::vector<std::string> nomes;
    const auto diretorio = this->diretorio(IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (!diretorio || diretorio->VirtualAddress == 0) return nomes;
    const auto deslocamento = arquivo_de(diretorio->VirtualAddress);
    const auto* exportacoes = deslocamento ? em<IMAGE_EXPORT_DIRECTORY>(*deslocamento) : nullptr;
    if (exportacoes == nullptr) return nomes;
    const auto tabela = arquivo_de(exportacoes->AddressOfNames);
    for (DWORD i = 0; tabela && i < exportacoes->NumberOfNames; ++i) {
      const auto* rva = em<DWORD>(*tabela + i * sizeof(DWORD));
      if (rva != nullptr) nomes.push_back(texto_em(*rva));
    }
    return nomes;
  }

 private:
  template <typename T>
  const T* em(std::size_t deslocamento) const {
    if (deslocamento > bytes_.size() || bytes_.size() - deslocamento < sizeof(T)) return nullptr;
    return reinterpret_cast<const T*>(bytes_.data() + deslocamento);
  }

  const IMAGE_NT_HEADERS64* nt() const {
    return em<IMAGE_NT_HEADERS64>(static_cast<std::size_t>(em<IMAGE_DOS_HEADER>(0)->e_lfanew));
  }

  std::optional<IMAGE_DATA_DIRECTORY> diretorio(int indice) const {
    const auto* cabecalho = nt();
    if (cabecalho == nullptr || cabecalho->OptionalHeader.NumberOfRvaAndSizes <= static_cast<DWORD>(indice)) {
      return std::nullopt;
    }
    return cabecalho->OptionalHeader.DataDirectory[indice];
  }

  // File offset of a relative virtual address, through the section table.
  std::optional<std::size_t> arquivo_de(DWORD rva) const {
    const auto* cabecalho = nt();
    const auto* secao = IMAGE_FIRST_SECTION(cabecalho);
    for (WORD i = 0; i < cabecalho->FileHeader.NumberOfSections; ++i, ++secao) {
      const DWORD tamanho = std::max(secao->Misc.VirtualSize, secao->SizeOfRawData);
      if (rva >= secao->VirtualAddress && rva < secao->VirtualAddress + tamanho) {
        return std::size_t{rva - secao->VirtualAddress} + secao->PointerToRawData;
      }
    }
    return std::nullopt;
  }

  std::string texto_em(DWORD rva) const {
    const auto deslocamento = arquivo_de(rva);
    if (!deslocamento || *deslocamento >= bytes_.size()) return {};
    const char* inicio = reinterpret_cast<const char*>(bytes_.data() + *deslocamento);
    return std::string(inicio, strnlen(inicio, bytes_.size() - *deslocamento));
  }

  std::vector<std::uint8_t> bytes_;
};

std::string minusculas(std::string texto) {
  std::transform(texto.begin(), texto.end(), texto.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
  return texto;
}

// Windows' own DLLs, present in System32 on every supported Windows.
// msvcrt.dll is on the list on purpose: mingw-w64 links its C runtime against
// it, and it has shipped in System32 as a system component since Windows
// 2000 (Visual C++ builds with /MT import no C runtime at all). Anything from
// a compiler's redistributable (libstdc++-6, libgcc_s, libwinpthread,
// vcruntime140, msvcp140) is refused.
bool dll_do_sistema(const std::string& nome) {
  static const std::set<std::string> permitidas = {
      "kernel32.dll", "advapi32.dll", "ole32.dll",  "oleaut32.dll",
      "combase.dll",  "mfplat.dll",   "msvcrt.dll", "ucrtbase.dll",
  };
  const std::string minusculo = minusculas(nome);
  return permitidas.contains(minusculo) || minusculo.starts_with("api-ms-win-");
}

TEST(ImportacoesDaDll, SoDllsDoSistema) {
  const ImagemPe imagem(caminho_da_dll());
  ASSERT_TRUE(imagem.valida()) << "not a PE32+ image: " << para_utf8(caminho_da_dll());
  const auto importadas = imagem.dlls_importadas();
  ASSERT_FALSE(importadas.empty()) << "the import directory was not found";
  for (const auto& nome : importadas) {
    EXPECT_TRUE(dll_do_sistema(nome)) << nome << " is not a Windows system DLL";
  }
}

TEST(ImportacoesDaDll, ListaRecusaOsRuntimesDoCompilador) {
  for (const char* nome : {"libstdc++-6.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll", "VCRUNTIME140.dll",
                           "MSVCP140.dll", "norva_camera_fonte.dll"}) {
    EXPECT_FALSE(dll_do_sistema(nome)) << nome;
  }
  EXPECT_TRUE(dll_do_sistema("KERNEL32.dll"));
  EXPECT_TRUE(dll_do_sistema("api-ms-win-core-synch-l1-2-0.dll"));
}

TEST(ExportacoesDaDll, QuatroNomesSemDecoracao) {
  const ImagemPe imagem(caminho_da_dll());
  ASSERT_TRUE(imagem.valida());
  auto nomes = imagem.nomes_exportados();
  std::sort(nomes.begin(), nomes.end());
  const std::vector<std::string> esperados = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                              "DllUnregisterServer"};
  EXPECT_EQ(nomes, esperados);
}

TEST(RecursoDeVersao, NomeDoProdutoEDescricao) {
  const std::wstring caminho = caminho_da_dll();
  DWORD alca = 0;
  const DWORD tamanho = GetFileVersionInfoSizeW(caminho.c_str(), &alca);
  ASSERT_GT(tamanho, 0u) << "no version resource";
  std::vector<std::uint8_t> bloco(tamanho);
  ASSERT_TRUE(GetFileVersionInfoW(caminho.c_str(), 0, tamanho, bloco.data()));
  auto texto = [&](const wchar_t* chave) {
    void* valor = nullptr;
    UINT comprimento = 0;
    const std::wstring caminho_da_chave = std::wstring(L"\\StringFileInfo\\040904B0\\") + chave;
    if (!VerQueryValueW(bloco.data(), caminho_da_chave.c_str(), &valor, &comprimento)) return std::string();
    return para_utf8(std::wstring(static_cast<const wchar_t*>(valor)));
  };
  EXPECT_EQ(texto(L"ProductName"), "Norva Virtual Camera");
  EXPECT_EQ(texto(L"OriginalFilename"), "norva_camera_fonte.dll");
  EXPECT_FALSE(texto(L"FileDescription").empty());
  EXPECT_FALSE(texto(L"FileVersion").empty());
}

}  // namespace
}  // namespace norva::teste
