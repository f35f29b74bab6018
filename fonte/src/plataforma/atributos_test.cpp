// DelegacaoDeAtributos over a real Media Foundation attribute store: what is
// written through one side is read through the other, failures pass the
// store's HRESULT through and leave out-arguments untouched.
#include "fonte/src/plataforma/atributos.h"

#include <gtest/gtest.h>

#include "fonte/src/plataforma/adotar.h"

#include "fonte/src/plataforma/mf.h"
#include "fonte/src/plataforma/objeto_com.h"

namespace norva::plataforma {
namespace {

// {6F2C0A41-9D7B-4B3E-8C55-1A2B3C4D5E60}: a key of this test only.
constexpr GUID CHAVE = {0x6f2c0a41, 0x9d7b, 0x4b3e, {0x8c, 0x55, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0x60}};
// {6F2C0A41-9D7B-4B3E-8C55-1A2B3C4D5E61}: never written.
constexpr GUID CHAVE_AUSENTE = {0x6f2c0a41, 0x9d7b, 0x4b3e, {0x8c, 0x55, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0x61}};

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
  ComPtr<IMFAttributes> armazem_;
  ComPtr<IMFAttributes> delegado_;
};

// One value kind: write through `escritor`, read back through `leitor`.
struct CasoDeValor {
  const char* nome;
  void (*escrever)(IMFAttributes*);
  void (*conferir)(IMFAttributes*);
};
void PrintTo(const CasoDeValor& caso, std::ostream* os) { *os << caso.nome; }

const CasoDeValor CASOS_DE_VALOR[] = {
    {"UINT32", [](IMFAttributes* a) { ASSERT_EQ(a->SetUINT32(CHAVE, 3110400), S_OK); },
     [](IMFAttributes* a) {
       UINT32 v = 0;
       ASSERT_EQ(a->GetUINT32(CHAVE, &v), S_OK);
       EXPECT_EQ(v, 3110400u);
       MF_ATTRIBUTE_TYPE tipo{};
       ASSERT_EQ(a->GetItemType(CHAVE, &tipo), S_OK);
       EXPECT_EQ(tipo, MF_ATTRIBUTE_UINT32);
     }},
    {"UINT64", [](IMFAttributes* a) { ASSERT_EQ(a->SetUINT64(CHAVE, 0x78000000438ull), S_OK); },
     [](IMFAttributes* a) {
       UINT64 v = 0;
       ASSERT_EQ(a->GetUINT64(CHAVE, &v), S_OK);
       EXPECT_EQ(v, 0x78000000438ull);
     }},
    {"Double", [](IMFAttributes* a) { ASSERT_EQ(a->SetDouble(CHAVE, 29.97), S_OK); },
     [](IMFAttributes* a) {
       double v = 0;
       ASSERT_EQ(a->GetDouble(CHAVE, &v), S_OK);
       EXPECT_EQ(v, 29.97);
     }},
    {"GUID", [](IMFAttributes* a) { ASSERT_EQ(a->SetGUID(CHAVE, MFVideoFormat_NV12), S_OK); },
     [](IMFAttributes* a) {
       GUID v{};
       ASSERT_EQ(a->GetGUID(CHAVE, &v), S_OK);
       EXPECT_TRUE(IsEqualGUID(v, MFVideoFormat_NV12));
     }},
    {"String", [](IMFAttributes* a) { ASSERT_EQ(a->SetString(CHAVE, L"Câmera"), S_OK); },
     [](IMFAttributes* a) {
       UINT32 tamanho = 0;
       ASSERT_EQ(a->GetStringLength(CHAVE, &tamanho), S_OK);
       EXPECT_EQ(tamanho, 6u);
       wchar_t texto[16] = {};
       ASSERT_EQ(a->GetString(CHAVE, texto, 16, &tamanho), S_OK);
       EXPECT_STREQ(texto, L"Câmera");
       LPWSTR alocado = nullptr;
       ASSERT_EQ(a->GetAllocatedString(CHAVE, &alocado, &tamanho), S_OK);
       EXPECT_STREQ(alocado, L"Câmera");
       CoTaskMemFree(alocado);
     }},
    {"Blob",
     [](IMFAttributes* a) {
       const UINT8 dados[] = {1, 2, 3};
       ASSERT_EQ(a->SetBlob(CHAVE, dados, 3), S_OK);
     },
     [](IMFAttributes* a) {
       UINT32 tamanho = 0;
       ASSERT_EQ(a->GetBlobSize(CHAVE, &tamanho), S_OK);
       EXPECT_EQ(tamanho, 3u);
       UINT8 dados[4] = {};
       ASSERT_EQ(a->GetBlob(CHAVE, dados, 4, &tamanho), S_OK);
       EXPECT_EQ(dados[2], 3);
       UINT8* alocado = nullptr;
       ASSERT_EQ(a->GetAllocatedBlob(CHAVE, &alocado, &tamanho), S_OK);
       EXPECT_EQ(alocado[0], 1);
       CoTaskMemFree(alocado);
     }},
    {"Item",
     [](IMFAttributes* a) {
       PROPVARIANT v;
       PropVariantInit(&v);
       v.vt = VT_UI4;
       v.ulVal = 42;
       ASSERT_EQ(a->SetItem(CHAVE, v), S_OK);
     },
     [](IMFAttributes* a) {
       PROPVARIANT v;
       PropVariantInit(&v);
       ASSERT_EQ(a->GetItem(CHAVE, &v), S_OK);
       EXPECT_EQ(v.vt, VT_UI4);
       EXPECT_EQ(v.ulVal, 42u);
       BOOL igual = FALSE;
       ASSERT_EQ(a->CompareItem(CHAVE, v, &igual), S_OK);
       EXPECT_TRUE(igual);
       GUID chave{};
       PROPVARIANT por_indice;
       PropVariantInit(&por_indice);
       ASSERT_EQ(a->GetItemByIndex(0, &chave, &por_indice), S_OK);
       EXPECT_TRUE(IsEqualGUID(chave, CHAVE));
       EXPECT_EQ(por_indice.ulVal, 42u);
       PropVariantClear(&por_indice);
       PropVariantClear(&v);
     }},
};

class ValorDeAtributo : public AtributosTeste, public ::testing::WithParamInterface<CasoDeValor> {};

TEST_P(ValorDeAtributo, WrittenThroughTheDelegateIsReadFromTheStoreAndBack) {
  GetParam().escrever(delegado_.Get());
  GetParam().conferir(armazem_.Get());
  ASSERT_EQ(delegado_->DeleteAllItems(), S_OK);
  UINT32 quantidade = 9;
  ASSERT_EQ(armazem_->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, 0u);
  GetParam().escrever(armazem_.Get());
  GetParam().conferir(delegado_.Get());
  ASSERT_EQ(delegado_->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, 1u);
  ASSERT_EQ(delegado_->DeleteItem(CHAVE), S_OK);
  ASSERT_EQ(armazem_->GetCount(&quantidade), S_OK);
  EXPECT_EQ(quantidade, 0u);
}

INSTANTIATE_TEST_SUITE_P(Tabela, ValorDeAtributo, ::testing::ValuesIn(CASOS_DE_VALOR),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST_F(AtributosTeste, FailuresPassTheStoreResultAndLeaveOutArgumentsUntouched) {
  UINT32 u32 = 77;
  EXPECT_EQ(delegado_->GetUINT32(CHAVE_AUSENTE, &u32), MF_E_ATTRIBUTENOTFOUND);
  EXPECT_EQ(u32, 77u);
  UINT64 u64 = 77;
  EXPECT_EQ(delegado_->GetUINT64(CHAVE_AUSENTE, &u64), MF_E_ATTRIBUTENOTFOUND);
  EXPECT_EQ(u64, 77u);
  GUID guid = CHAVE;
  EXPECT_EQ(delegado_->GetGUID(CHAVE_AUSENTE, &guid), MF_E_ATTRIBUTENOTFOUND);
  EXPECT_TRUE(IsEqualGUID(guid, CHAVE));
  LPWSTR texto = reinterpret_cast<LPWSTR>(0x1);
  UINT32 tamanho = 77;
  EXPECT_EQ(delegado_->GetAllocatedString(CHAVE_AUSENTE, &texto, &tamanho), MF_E_ATTRIBUTENOTFOUND);
  EXPECT_EQ(texto, reinterpret_cast<LPWSTR>(0x1));
  EXPECT_EQ(tamanho, 77u);
  ASSERT_EQ(delegado_->SetUINT32(CHAVE, 5), S_OK);
  EXPECT_EQ(delegado_->GetGUID(CHAVE, &guid), MF_E_INVALIDTYPE);
  EXPECT_TRUE(IsEqualGUID(guid, CHAVE));
}

TEST_F(AtributosTeste, CompareAndCopyAllItemsRefuseANullStore) {
  BOOL resultado = 5;
  EXPECT_EQ(delegado_->Compare(nullptr, MF_ATTRIBUTES_MATCH_OUR_ITEMS, &resultado), E_POINTER);
  EXPECT_EQ(resultado, 5);
  EXPECT_EQ(delegado_->CopyAllItems(nullptr), E_POINTER);

  ASSERT_EQ(delegado_->SetUINT32(CHAVE, 5), S_OK);
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
