// The C interface over Escritor. Handles are numbers from a table, never
// reused, so a closed or made-up handle is answered with an error instead of
// touching freed memory.
#include "ferramentas/produtor/norva_escritor.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "ferramentas/produtor/escritor.h"
#include "fonte/src/registro/utf8.h"

namespace norva::produtor {
namespace {

class Tabela {
 public:
  norva_escritor guardar(std::shared_ptr<Escritor> e) {
    std::lock_guard trava(m_);
    escritores_.emplace(++ultimo_, std::move(e));
    return ultimo_;
  }
  std::shared_ptr<Escritor> achar(norva_escritor h) {
    std::lock_guard trava(m_);
    const auto i = escritores_.find(h);
    return i == escritores_.end() ? nullptr : i->second;
  }
  std::shared_ptr<Escritor> tirar(norva_escritor h) {
    std::lock_guard trava(m_);
    const auto i = escritores_.find(h);
    if (i == escritores_.end()) return nullptr;
    auto e = std::move(i->second);
    escritores_.erase(i);
    return e;
  }

 private:
  std::mutex m_;  // guards escritores_ and ultimo_
  std::map<norva_escritor, std::shared_ptr<Escritor>> escritores_;
  norva_escritor ultimo_ = 0;
};

// Never destroyed: at process exit the writer threads are already gone, and
// joining them from a DLL's unload would hang.
Tabela& tabela() {
  static Tabela* t = new Tabela;
  return *t;
}

thread_local std::string ultima_mensagem;

int resultado(const Falha& f) {
  ultima_mensagem = f.mensagem;
  return f.codigo;
}

int sucesso() {
  ultima_mensagem.clear();
  return NORVA_ESCRITOR_OK;
}

int fechado(norva_escritor h) {
  return resultado({NORVA_ESCRITOR_ERRO_FECHADO,
                    "writer handle " + std::to_string(h) + " is closed or was never opened"});
}

bool utf8_valido(const std::string& texto) { return utf8_de_utf16(utf16_de_utf8(texto)) == texto; }

}  // namespace
}  // namespace norva::produtor

using namespace norva::produtor;

extern "C" int norva_escritor_abrir(const char* nome_amigavel, norva_escritor* escritor) {
  try {
    if (escritor == nullptr) return resultado({NORVA_ESCRITOR_ERRO_PONTEIRO_NULO, "the handle's out-pointer is null"});
    *escritor = 0;
    std::optional<std::string> nome;
    if (nome_amigavel != nullptr && *nome_amigavel != '\0') nome = nome_amigavel;
    if (nome && !utf8_valido(*nome)) {
      return resultado({NORVA_ESCRITOR_ERRO_NOME, "the friendly name is not valid UTF-8"});
    }
    auto aberto = Escritor::abrir(nome);
    if (!aberto) return resultado(aberto.error());
    *escritor = tabela().guardar(std::shared_ptr<Escritor>(std::move(*aberto)));
    return sucesso();
  } catch (const std::bad_alloc&) {
    return resultado({NORVA_ESCRITOR_ERRO_SISTEMA, "out of memory"});
  }
}

extern "C" int norva_escritor_enviar(norva_escritor escritor, int formato, const void* pixels, size_t tamanho,
                                     uint32_t largura, uint32_t altura, uint32_t passo, uint64_t ts) {
  try {
    const auto e = tabela().achar(escritor);
    if (!e) return fechado(escritor);
    const auto enviado = e->enviar(Imagem{formato, pixels, tamanho, largura, altura, passo}, ts);
    return enviado ? sucesso() : resultado(enviado.error());
  } catch (const std::bad_alloc&) {
    return resultado({NORVA_ESCRITOR_ERRO_SISTEMA, "out of memory"});
  }
}

extern "C" int norva_escritor_estatisticas_de(norva_escritor escritor, norva_escritor_estatisticas* estatisticas) {
  if (estatisticas == nullptr) return resultado({NORVA_ESCRITOR_ERRO_PONTEIRO_NULO, "the statistics pointer is null"});
  const auto e = tabela().achar(escritor);
  if (!e) return fechado(escritor);
  *estatisticas = e->estatisticas();
  return sucesso();
}

extern "C" int norva_escritor_fechar(norva_escritor escritor) {
  if (const auto e = tabela().tirar(escritor)) e->fechar();
  return sucesso();
}

extern "C" const char* norva_escritor_texto_do_erro(int erro) {
  switch (erro) {
    case NORVA_ESCRITOR_OK: return "success";
    case NORVA_ESCRITOR_ERRO_PONTEIRO_NULO: return "a required pointer is null";
    case NORVA_ESCRITOR_ERRO_DIMENSOES: return "the frame is not 1920x1080";
    case NORVA_ESCRITOR_ERRO_FORMATO: return "unknown pixel format";
    case NORVA_ESCRITOR_ERRO_PASSO: return "invalid stride for the format";
    case NORVA_ESCRITOR_ERRO_TAMANHO: return "the buffer is too small for the format and stride";
    case NORVA_ESCRITOR_ERRO_FECHADO: return "the writer is closed";
    case NORVA_ESCRITOR_ERRO_CANO_OCUPADO: return "another process already serves this camera's pipe";
    case NORVA_ESCRITOR_ERRO_SISTEMA: return "the system refused an operation";
    case NORVA_ESCRITOR_ERRO_NOME: return "the friendly name is not valid UTF-8";
    default: return "unknown error";
  }
}

extern "C" const char* norva_escritor_ultima_mensagem(void) { return ultima_mensagem.c_str(); }
