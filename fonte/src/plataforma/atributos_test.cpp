// DelegacaoDeAtributos over a real Media Foundation attribute store: what is
// written through one side is read through the other, failures pass the
// store's HRESULT through and leave out-arguments untouched.
#include "fonte/src/plataforma/atributos.h"

#include <gtest/gtest.h>

#include <utility>

#include "fonte/src/plataforma/adotar.h"
#include "fonte/src/plataforma/mf.h"
#include "fonte/src/plataforma/objeto_com.h"

namespace norva::plataforma {
namespace {

// {6F2C0A41-9D7B-4B3E-8C55-1A2B3C4D5E60} and the next ids: keys of this test only.
GUID chave(unsigned long i) {
  return {0x6f2c0a41 + i, 0x9d7b, 0x4b3e, {0x8c, 0x55, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0x60}};
}
const GUID CHAVE_AUSENTE = chave(100);  // never written
constexpr UINT32 VALORES = 7;

// The result of a getter of one value and the value it left, starting from
// `inicial`.
template <class T>
std::pair<HRESULT, T> ler(IMFAttributes* a, HRESULT (STDMETHODCALLTYPE IMFAttributes::*getter)(REFGUID, T*),
                          const GUID& k, T inicial = {}) {
  T valor = inicial;
  const HRESULT hr = (a->*getter)(k, &valor);
  return {hr, valor};
}

class Atributos final : public ObjetoCom<Atributos, DelegacaoDeAtributos<IMFAttributes>> {
 public:
  explicit Atributos(ComPtr<IMFAttributes> armazem) : armazem_(std::move(armazem)) {}
  void* consultar_interface(REFIID riid) noexcept {
    return riid == __uuidof(IMFAttributes) ? static_cast<IMFAttributes*>(this) : nullptr;
  }

 protected:
  IMFAttributes* armazem_de_atributos() const noexcept override { return armazem_.Get(); }

 private:
  ComPtr<IMFAttributes> armazem_;
};

// One value of every kind, each under its own key.
void escrever(IMFAttributes* a) {
  const UINT8 blob[] = {1, 2, 3};
  PROPVARIANT item;
  PropVariantInit(&item);
  item.vt = VT_UI4;
  item.ulVal = 42;
  ASSERT_EQ(a->SetUINT32(chave(0), 3110400), S_OK);
  ASSERT_EQ(a->SetUINT64(chave(1), 0x78000000438ull), S_OK);
  ASSERT_EQ(a->SetDouble(chave(2), 29.97), S_OK);
  ASSERT_EQ(a->SetGUID(chave(3), MFVideoFormat_NV12), S_OK);
  ASSERT_EQ(a->SetString(chave(4), L"Câmera"), S_OK);
  ASSERT_EQ(a->SetBlob(chave(5), blob, 3), S_OK);
  ASSERT_EQ(a->SetItem(chave(6), item), S_OK);
}

// Reads back what `escrever` wrote, through every getter.
void conferir(IMFAttributes* a) {
  UINT32 tamanho = 0, quantidade = 0;
  GUID guid{};
  ASSERT_EQ(a->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, VALORES);
  EXPECT_EQ(ler(a, &IMFAttributes::GetUINT32, chave(0)), std::pair(S_OK, UINT32{3110400}));
  EXPECT_EQ(ler(a, &IMFAttributes::GetItemType, chave(0)), std::pair(S_OK, MF_ATTRIBUTE_UINT32));
  EXPECT_EQ(ler(a, &IMFAttributes::GetUINT64, chave(1)), std::pair(S_OK, UINT64{0x78000000438ull}));
  EXPECT_EQ(ler(a, &IMFAttributes::GetDouble, chave(2)), std::pair(S_OK, 29.97));
  EXPECT_EQ(ler(a, &IMFAttributes::GetGUID, chave(3)), std::pair(S_OK, MFVideoFormat_NV12));

  wchar_t texto[16] = {};
  LPWSTR texto_alocado = nullptr;
  EXPECT_EQ(ler(a, &IMFAttributes::GetStringLength, chave(4)), std::pair(S_OK, UINT32{6}));
  EXPECT_EQ(a->GetString(chave(4), texto, 16, &tamanho), S_OK);
  EXPECT_STREQ(texto, L"Câmera");
  ASSERT_EQ(a->GetAllocatedString(chave(4), &texto_alocado, &tamanho), S_OK);
  EXPECT_STREQ(texto_alocado, L"Câmera");
  CoTaskMemFree(texto_alocado);

  UINT8 blob[4] = {};
  UINT8* blob_alocado = nullptr;
  EXPECT_EQ(ler(a, &IMFAttributes::GetBlobSize, chave(5)), std::pair(S_OK, UINT32{3}));
  EXPECT_EQ(a->GetBlob(chave(5), blob, 4, &tamanho), S_OK);
  EXPECT_EQ(blob[2], 3);
  ASSERT_EQ(a->GetAllocatedBlob(chave(5), &blob_alocado, &tamanho), S_OK);
  EXPECT_EQ(blob_alocado[0], 1);
  CoTaskMemFree(blob_alocado);

  PROPVARIANT item;
  PropVariantInit(&item);
  BOOL igual = FALSE;
  ASSERT_EQ(a->GetItem(chave(6), &item), S_OK);
  EXPECT_EQ(item.ulVal, 42u);
  EXPECT_EQ(a->CompareItem(chave(6), item, &igual), S_OK);
  EXPECT_TRUE(igual);
  PropVariantClear(&item);
  // By index, every (key, value) that is stored, each once.
  unsigned vistas = 0;
  for (UINT32 i = 0; i < quantidade; ++i) {
    ASSERT_EQ(a->GetItemByIndex(i, &guid, &item), S_OK);
    igual = FALSE;
    EXPECT_EQ(a->CompareItem(guid, item, &igual), S_OK);
    EXPECT_TRUE(igual);
    vistas |= 1u << (guid.Data1 - chave(0).Data1);
    PropVariantClear(&item);
  }
  EXPECT_EQ(vistas, (1u << VALORES) - 1);
}

class AtributosTeste : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET), S_OK);
    auto armazem = criar_atributos(4);
    ASSERT_TRUE(armazem);
    armazem_ = *armazem;
    delegado_ = adotar<IMFAttributes>(new Atributos(armazem_));
  }
  void TearDown() override {
    delegado_.Reset();
    armazem_.Reset();
    MFShutdown();
  }
  UINT32 quantidade(IMFAttributes* a) {
    UINT32 n = 99;
    EXPECT_EQ(a->GetCount(&n), S_OK);
    return n;
  }
  ComPtr<IMFAttributes> armazem_;
  ComPtr<IMFAttributes> delegado_;
};

TEST_F(AtributosTeste, WrittenThroughTheDelegateIsInTheStoreAndBack) {
  escrever(delegado_.Get());
  conferir(armazem_.Get());
  ASSERT_EQ(delegado_->DeleteItem(chave(0)), S_OK);
  EXPECT_EQ(quantidade(armazem_.Get()), VALORES - 1);
  ASSERT_EQ(delegado_->DeleteAllItems(), S_OK);
  EXPECT_EQ(quantidade(armazem_.Get()), 0u);
  escrever(armazem_.Get());
  conferir(delegado_.Get());
}

TEST_F(AtributosTeste, FailuresPassTheStoreResultAndLeaveOutArgumentsUntouched) {
  IMFAttributes* d = delegado_.Get();
  constexpr HRESULT AUSENTE = MF_E_ATTRIBUTENOTFOUND;
  EXPECT_EQ(ler(d, &IMFAttributes::GetUINT32, CHAVE_AUSENTE, UINT32{77}), std::pair(AUSENTE, UINT32{77}));
  EXPECT_EQ(ler(d, &IMFAttributes::GetUINT64, CHAVE_AUSENTE, UINT64{77}), std::pair(AUSENTE, UINT64{77}));
  EXPECT_EQ(ler(d, &IMFAttributes::GetGUID, CHAVE_AUSENTE, chave(0)), std::pair(AUSENTE, chave(0)));
  LPWSTR texto = reinterpret_cast<LPWSTR>(0x1);
  UINT32 tamanho = 77;
  EXPECT_EQ(delegado_->GetAllocatedString(CHAVE_AUSENTE, &texto, &tamanho), MF_E_ATTRIBUTENOTFOUND);
  EXPECT_EQ(texto, reinterpret_cast<LPWSTR>(0x1));
  EXPECT_EQ(tamanho, 77u);
  ASSERT_EQ(delegado_->SetUINT32(chave(0), 5), S_OK);
  EXPECT_EQ(ler(d, &IMFAttributes::GetGUID, chave(0), chave(0)), std::pair(MF_E_INVALIDTYPE, chave(0)));
}

TEST_F(AtributosTeste, CompareAndCopyAllItemsRefuseANullStore) {
  BOOL resultado = 5;
  EXPECT_EQ(delegado_->Compare(nullptr, MF_ATTRIBUTES_MATCH_OUR_ITEMS, &resultado), E_POINTER);
  EXPECT_EQ(resultado, 5);
  EXPECT_EQ(delegado_->CopyAllItems(nullptr), E_POINTER);

  ASSERT_EQ(delegado_->SetUINT32(chave(0), 5), S_OK);
  auto outro = criar_atributos(1);
  ASSERT_TRUE(outro);
  ASSERT_EQ(delegado_->CopyAllItems(outro->Get()), S_OK);
  ASSERT_EQ(delegado_->Compare(outro->Get(), MF_ATTRIBUTES_MATCH_ALL_ITEMS, &resultado), S_OK);
  EXPECT_TRUE(resultado);
  EXPECT_EQ(delegado_->LockStore(), S_OK);
  EXPECT_EQ(delegado_->UnlockStore(), S_OK);
}

}  // namespace
}  // namespace norva::plataforma
