// Host build: the platform-neutral modules' tests run natively, where there is
// no C:\ProgramData. The sanitised messages are kept in memory, in call
// order, for the test support (teste/registro_de_apoio.h) to read back.
#include <mutex>
#include <string>
#include <vector>

#include "apps/windows/src/higiene_do_registro/higiene.h"
#include "fonte/src/registro/registro.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva {
namespace {

struct Memoria {
  std::mutex mutex;
  std::vector<std::string> mensagens;
};

Memoria& memoria() {
  static Memoria m;
  return m;
}

}  // namespace

void Registro::escrever(std::string_view mensagem) noexcept {
  try {
    std::string limpa = Higiene::higienizar(mensagem);
    Memoria& m = memoria();
    const std::lock_guard trava(m.mutex);
    m.mensagens.push_back(std::move(limpa));
  } catch (...) {
    // Out of memory: the message is lost, as on Windows.
  }
}

namespace teste {

std::vector<std::string> mensagens_registradas() {
  Memoria& m = memoria();
  const std::lock_guard trava(m.mutex);
  return m.mensagens;
}

}  // namespace teste
}  // namespace norva
