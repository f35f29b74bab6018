// DelegacaoDeAtributos<Base>: the 30 IMFAttributes methods of `Base` (IMFAttributes
// or an interface derived from it, such as IMFActivate) passed to an inner
// attribute store. Each returns the store's HRESULT; values the store hands
// back reach the caller's out-arguments only when the store succeeds (the
// two caller-supplied buffers of GetString and GetBlob are the store's to
// fill). Compare with a null store and CopyAllItems with a null destination
// answer E_POINTER without calling the store.
#pragma once

#include "fonte/src/plataforma/declaracoes.h"

namespace norva::plataforma {

template <class Base>
class DelegacaoDeAtributos : public Base {
 protected:
  // The inner store; set for the whole life of the object.
  virtual IMFAttributes* armazem_de_atributos() const noexcept = 0;

 private:
  // Copies `local` to `destino` when `hr` succeeded and `destino` is given.
  template <class T>
  static HRESULT devolver(HRESULT hr, const T& local, T* destino) noexcept {
    if (SUCCEEDED(hr) && destino != nullptr) *destino = local;
    return hr;
  }

 public:
  HRESULT STDMETHODCALLTYPE GetItem(REFGUID chave, PROPVARIANT* valor) noexcept override {
    if (valor == nullptr) return armazem_de_atributos()->GetItem(chave, nullptr);
    PROPVARIANT local;
    PropVariantInit(&local);
    const HRESULT hr = armazem_de_atributos()->GetItem(chave, &local);
    if (SUCCEEDED(hr)) *valor = local;  // ownership moves to the caller
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetItemType(REFGUID chave, MF_ATTRIBUTE_TYPE* tipo) noexcept override {
    MF_ATTRIBUTE_TYPE local{};
    return devolver(armazem_de_atributos()->GetItemType(chave, tipo ? &local : nullptr), local, tipo);
  }
  HRESULT STDMETHODCALLTYPE CompareItem(REFGUID chave, REFPROPVARIANT valor,
                                        BOOL* resultado) noexcept override {
    BOOL local = FALSE;
    return devolver(armazem_de_atributos()->CompareItem(chave, valor, resultado ? &local : nullptr),
                    local, resultado);
  }
  HRESULT STDMETHODCALLTYPE Compare(IMFAttributes* outro, MF_ATTRIBUTES_MATCH_TYPE tipo,
                                    BOOL* resultado) noexcept override {
    if (outro == nullptr) return E_POINTER;
    BOOL local = FALSE;
    return devolver(armazem_de_atributos()->Compare(outro, tipo, resultado ? &local : nullptr),
                    local, resultado);
  }
  HRESULT STDMETHODCALLTYPE GetUINT32(REFGUID chave, UINT32* valor) noexcept override {
    UINT32 local = 0;
    return devolver(armazem_de_atributos()->GetUINT32(chave, valor ? &local : nullptr), local, valor);
  }
  HRESULT STDMETHODCALLTYPE GetUINT64(REFGUID chave, UINT64* valor) noexcept override {
    UINT64 local = 0;
    return devolver(armazem_de_atributos()->GetUINT64(chave, valor ? &local : nullptr), local, valor);
  }
  HRESULT STDMETHODCALLTYPE GetDouble(REFGUID chave, double* valor) noexcept override {
    double local = 0;
    return devolver(armazem_de_atributos()->GetDouble(chave, valor ? &local : nullptr), local, valor);
  }
  HRESULT STDMETHODCALLTYPE GetGUID(REFGUID chave, GUID* valor) noexcept override {
    GUID local{};
    return devolver(armazem_de_atributos()->GetGUID(chave, valor ? &local : nullptr), local, valor);
  }
  HRESULT STDMETHODCALLTYPE GetStringLength(REFGUID chave, UINT32* tamanho) noexcept override {
    UINT32 local = 0;
    return devolver(armazem_de_atributos()->GetStringLength(chave, tamanho ? &local : nullptr),
                    local, tamanho);
  }
  HRESULT STDMETHODCALLTYPE GetString(REFGUID chave, LPWSTR texto, UINT32 capacidade,
                                      UINT32* tamanho) noexcept override {
    UINT32 local = 0;
    return devolver(
        armazem_de_atributos()->GetString(chave, texto, capacidade, tamanho ? &local : nullptr),
        local, tamanho);
  }
  HRESULT STDMETHODCALLTYPE GetAllocatedString(REFGUID chave, LPWSTR* texto,
                                               UINT32* tamanho) noexcept override {
    LPWSTR texto_local = nullptr;
    UINT32 tamanho_local = 0;
    const HRESULT hr = armazem_de_atributos()->GetAllocatedString(
        chave, texto ? &texto_local : nullptr, tamanho ? &tamanho_local : nullptr);
    if (SUCCEEDED(hr)) {
      if (texto) *texto = texto_local;
      if (tamanho) *tamanho = tamanho_local;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetBlobSize(REFGUID chave, UINT32* tamanho) noexcept override {
    UINT32 local = 0;
    return devolver(armazem_de_atributos()->GetBlobSize(chave, tamanho ? &local : nullptr), local,
                    tamanho);
  }
  HRESULT STDMETHODCALLTYPE GetBlob(REFGUID chave, UINT8* dados, UINT32 capacidade,
                                    UINT32* tamanho) noexcept override {
    UINT32 local = 0;
    return devolver(
        armazem_de_atributos()->GetBlob(chave, dados, capacidade, tamanho ? &local : nullptr),
        local, tamanho);
  }
  HRESULT STDMETHODCALLTYPE GetAllocatedBlob(REFGUID chave, UINT8** dados,
                                             UINT32* tamanho) noexcept override {
    UINT8* dados_locais = nullptr;
    UINT32 tamanho_local = 0;
    const HRESULT hr = armazem_de_atributos()->GetAllocatedBlob(
        chave, dados ? &dados_locais : nullptr, tamanho ? &tamanho_local : nullptr);
    if (SUCCEEDED(hr)) {
      if (dados) *dados = dados_locais;
      if (tamanho) *tamanho = tamanho_local;
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE GetUnknown(REFGUID chave, REFIID riid, LPVOID* ppv) noexcept override {
    void* local = nullptr;
    return devolver(armazem_de_atributos()->GetUnknown(chave, riid, ppv ? &local : nullptr), local,
                    ppv);
  }
  HRESULT STDMETHODCALLTYPE SetItem(REFGUID chave, REFPROPVARIANT valor) noexcept override {
    return armazem_de_atributos()->SetItem(chave, valor);
  }
  HRESULT STDMETHODCALLTYPE DeleteItem(REFGUID chave) noexcept override {
    return armazem_de_atributos()->DeleteItem(chave);
  }
  HRESULT STDMETHODCALLTYPE DeleteAllItems() noexcept override {
    return armazem_de_atributos()->DeleteAllItems();
  }
  HRESULT STDMETHODCALLTYPE SetUINT32(REFGUID chave, UINT32 valor) noexcept override {
    return armazem_de_atributos()->SetUINT32(chave, valor);
  }
  HRESULT STDMETHODCALLTYPE SetUINT64(REFGUID chave, UINT64 valor) noexcept override {
    return armazem_de_atributos()->SetUINT64(chave, valor);
  }
  HRESULT STDMETHODCALLTYPE SetDouble(REFGUID chave, double valor) noexcept override {
    return armazem_de_atributos()->SetDouble(chave, valor);
  }
  HRESULT STDMETHODCALLTYPE SetGUID(REFGUID chave, REFGUID valor) noexcept override {
    return armazem_de_atributos()->SetGUID(chave, valor);
  }
  HRESULT STDMETHODCALLTYPE SetString(REFGUID chave, LPCWSTR valor) noexcept override {
    return armazem_de_atributos()->SetString(chave, valor);
  }
  HRESULT STDMETHODCALLTYPE SetBlob(REFGUID chave, const UINT8* dados,
                                    UINT32 tamanho) noexcept override {
    return armazem_de_atributos()->SetBlob(chave, dados, tamanho);
  }
  HRESULT STDMETHODCALLTYPE SetUnknown(REFGUID chave, IUnknown* valor) noexcept override {
    return armazem_de_atributos()->SetUnknown(chave, valor);
  }
  HRESULT STDMETHODCALLTYPE LockStore() noexcept override {
    return armazem_de_atributos()->LockStore();
  }
  HRESULT STDMETHODCALLTYPE UnlockStore() noexcept override {
    return armazem_de_atributos()->UnlockStore();
  }
  HRESULT STDMETHODCALLTYPE GetCount(UINT32* quantidade) noexcept override {
    UINT32 local = 0;
    return devolver(armazem_de_atributos()->GetCount(quantidade ? &local : nullptr), local,
                    quantidade);
  }
  HRESULT STDMETHODCALLTYPE GetItemByIndex(UINT32 indice, GUID* chave,
                                           PROPVARIANT* valor) noexcept override {
    GUID chave_local{};
    PROPVARIANT valor_local;
    PropVariantInit(&valor_local);
    const HRESULT hr = armazem_de_atributos()->GetItemByIndex(
        indice, chave ? &chave_local : nullptr, valor ? &valor_local : nullptr);
    if (SUCCEEDED(hr)) {
      if (chave) *chave = chave_local;
      if (valor) *valor = valor_local;  // ownership moves to the caller
    }
    return hr;
  }
  HRESULT STDMETHODCALLTYPE CopyAllItems(IMFAttributes* destino) noexcept override {
    if (destino == nullptr) return E_POINTER;
    return armazem_de_atributos()->CopyAllItems(destino);
  }
};

}  // namespace norva::plataforma
