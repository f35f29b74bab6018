// The factory linked in-process, where the live objects of each class can be
// counted: nothing CreateInstance makes may outlive a failure. (Its answers
// through the loaded DLL are exportacoes_test's; sources outliving the
// factory that made them, one after another, resistencia_test's.)
#include <gtest/gtest.h>

#include "fonte/src/fonte/teste/apoio.h"
#include "fonte/src/lib/fabrica.h"
#include "fonte/src/plataforma/injecao.h"

namespace norva::teste {
namespace {

// The platform per test, and no source or stream left after it.
class Fabrica_ : public AmbienteMF {};

TEST_F(Fabrica_, ConsultaFinalRecusadaDestroiFonteEFluxoSemRegistrarShutdown) {
  ComPtr<Fabrica> fabrica = Fabrica::nova();
  void* ppv = nullptr;
  const auto desligadas_antes = contar_mensagem("Shutdown");
  fabrica->CreateInstance(nullptr, IID_IClassFactory, &ppv);  // its answer: exportacoes_test's
  EXPECT_EQ(contar_mensagem("Shutdown"), desligadas_antes) << "the teardown is silent";
  // TearDown: neither the source nor its stream survives.
}

// How each way of failing to build a source fails, and that the source frees
// what it made, is the source's own test; here, what the factory adds.
TEST_F(Fabrica_, FonteQueNaoSeConstroiDevolveOHresultERegistraOMotivo) {
  ComPtr<Fabrica> fabrica = Fabrica::nova();
  plataforma::teste::falhar_na_chamada(plataforma::Operacao::MFCreateEventQueue, 2, MF_E_SHUTDOWN);
  void* ppv = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(fabrica->CreateInstance(nullptr, IID_IMFMediaSource, &ppv), MF_E_SHUTDOWN);
  EXPECT_EQ(ppv, nullptr);
  const auto mensagens = mensagens_registradas();
  ASSERT_FALSE(mensagens.empty());
  EXPECT_TRUE(mensagens.back().starts_with("CreateInstance: falhou ao criar a fonte: ")) << mensagens.back();
  EXPECT_NE(mensagens.back().find("0xC00D3E85"), std::string::npos) << mensagens.back();
}

}  // namespace
}  // namespace norva::teste
