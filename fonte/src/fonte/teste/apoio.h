// Test support for the source and the stream under the real Media Foundation
// (Wine's in the build): the platform started per test, sources made by
// Fonte::criar, events drained from a queue, and a small pipe writer.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <wrl/client.h>

#include "fonte/src/fluxo/fluxo.h"
#include "fonte/src/fonte/fonte.h"

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
  std::wstring dar_nome_unico(IMFMediaSourceEx* fonte, const char* base);

  // Start with the source's own descriptor (stream 0 selected).
  void iniciar(IMFMediaSourceEx* fonte);

  // Waits (3 s at most) until the sources and streams a platform consumer
  // held are freed: the source reader and the media session let go of them
  // on their own worker threads. TearDown then counts them.
  void esperar_soltarem();

  long fontes_antes_ = 0;
  long fluxos_antes_ = 0;
  bool conferir_vivos_ = true;
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

// The sample of an MEMediaSample event.
ComPtr<IMFSample> amostra_de(const Evento& evento);
// The bytes of a one-buffer sample.
std::vector<std::uint8_t> bytes_de(IMFSample* amostra);

// How many of this process's log messages equal `mensagem` (since start).
std::size_t vezes_no_registro(const std::string& mensagem);

// A desktop-application stand-in: serves one named pipe and writes frame
// records whose every byte is `valor`, as fast as the pipe takes them.
class EscritorDeTeste {
 public:
  EscritorDeTeste(const std::wstring& nome_amigavel, std::uint8_t valor);
  ~EscritorDeTeste();
  EscritorDeTeste(const EscritorDeTeste&) = delete;
  EscritorDeTeste& operator=(const EscritorDeTeste&) = delete;
  bool conectou() const { return conectado_.load(); }
  std::uint64_t escritos() const { return escritos_.load(); }

 private:
  void servir();
  HANDLE cano_ = INVALID_HANDLE_VALUE;
  std::uint8_t valor_;
  std::atomic<bool> parar_{false};
  std::atomic<bool> conectado_{false};
  std::atomic<std::uint64_t> escritos_{0};
  std::thread thread_;
};

}  // namespace norva::teste
