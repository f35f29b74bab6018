// Test support for the source and the stream under the real Media Foundation
// (Wine's in the build): the platform started per test, sources made by
// Fonte::criar and events drained from a queue.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include "fonte/src/fluxo/fluxo.h"
#include "fonte/src/fonte/fonte.h"
#include "fonte/src/registro/teste/registro_de_apoio.h"

namespace norva::teste {

using Microsoft::WRL::ComPtr;

// Media Foundation and COM (multithreaded apartment) for one test; checks that
// every source and stream the test made was freed.
class AmbienteMF : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ComPtr<IMFMediaSourceEx> nova_fonte();
  static Fonte* fonte_de(IMFMediaSourceEx* fonte) { return static_cast<Fonte*>(fonte); }

  // Sets a friendly name unique to this process and test, so that parallel
  // tests never share a pipe; returns it.
  std::string dar_nome_unico(IMFMediaSourceEx* fonte, const char* base);

  // Start with the source's own descriptor (stream 0 selected).
  void iniciar(IMFMediaSourceEx* fonte);

  long fontes_antes_ = 0;
  long fluxos_antes_ = 0;
};

// The same with one source made, named uniquely, and its stream, shut down
// (again, when the test did) at the end.
class AmbienteComFonte : public AmbienteMF {
 protected:
  void SetUp() override;
  void TearDown() override;
  ComPtr<IMFMediaSourceEx> fonte_;
  ComPtr<IMFMediaStream> fluxo_;
  ComPtr<IMFMediaStream2> fluxo2_;
};

struct Evento {
  MediaEventType tipo = MEUnknown;
  HRESULT status = S_OK;
  VARTYPE vt = VT_EMPTY;
  ComPtr<IUnknown> objeto;  // for VT_UNKNOWN values
};

// Every event queued so far, without waiting.
std::vector<Evento> drenar(IMFMediaEventGenerator* gerador);
std::vector<MediaEventType> tipos(const std::vector<Evento>& eventos);

// The bytes of a one-buffer sample.
std::vector<std::uint8_t> bytes_de(IMFSample* amostra);

}  // namespace norva::teste
