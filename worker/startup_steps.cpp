#include "worker/startup_steps.h"

#include <cmath>
#include <filesystem>

#include "external/fiscal_device.h"
#include "external/receivables.h"
#include "rtl/errors.h"
#include "rtl/number_text.h"
#include "rtl/program_dir.h"
#include "vyrutil/crypto.h"
#include "vyrutil/strings.h"
#include "vyrutil/xml_folder.h"
#include "worker/log_imp_exp_kds.h"
#include "worker/worker_control.h"

namespace Cli_Qam00417 {

namespace {

// Raises the error in flight again, of the same kind, with `place` (a file, a column) in front
// of its message, so that the support person reading the log knows where to look.
[[noreturn]] void RethrowNaming(const std::string& place) {
  try {
    throw;
  } catch (const rtl::EConvertError& e) {
    throw rtl::EConvertError(place + ": " + e.what());
  } catch (const rtl::EVariantError& e) {
    throw rtl::EVariantError(place + ": " + e.what());
  } catch (const rtl::EDatabaseError& e) {
    throw rtl::EDatabaseError(place + ": " + e.what());
  } catch (const rtl::EInOutError& e) {
    throw rtl::EInOutError(place + ": " + e.what());
  }
}

// The value of a column of the table's current row. The column must exist, rows or not (a
// table without it is not the table the installation writes); an empty table reads as NULL, as
// a field of a dataset without rows does.
Variant CurrentValue(TClientDataSet& table, const char* column) {
  TField& field = table.FieldByName(column);
  if (!table.Active() || table.IsEmpty()) return Variant::Null();
  return field.Value();
}

std::string Text(TClientDataSet& table, const char* column) {
  const Variant value = CurrentValue(table, column);
  return value.IsEmptyOrNull() ? std::string() : value.AsString();
}

bool IsOne(TClientDataSet& table, const char* column) {
  const Variant value = CurrentValue(table, column);
  try {
    return !value.IsEmptyOrNull() && std::lround(value.AsFloat()) == 1;
  } catch (const rtl::Exception&) {
    RethrowNaming(column);
  }
}

std::string CadastroPath(const char* file) {
  return rtl::ProgramDirectory() + "/Dados/Cadastros/" + file;
}

// Loads the file into the table, stands on its first record and runs `read` on it; false when
// there is no file. Errors of reading name the file.
template <typename Read>
bool LoadFirstRecord(TClientDataSet& table, const char* file, Read read) {
  const std::string path = CadastroPath(file);
  if (!std::filesystem::exists(path)) return false;
  try {
    table.LoadFromFile(path);
    table.First();
    read();
  } catch (const rtl::Exception& e) {
    if (std::string(e.what()).find(path) != std::string::npos) throw;
    RethrowNaming(path);
  }
  return true;
}

}  // namespace

TrdmImpExpKds& EnsureDataModules() {
  if (rdmImpExpKds == nullptr) rdmImpExpKds = new TrdmImpExpKds();
  if (rdmRecebimento == nullptr) rdmRecebimento = new TrdmRecebimento();
  // A stop request of an earlier worker stays in force on the connections until lifted here.
  TrdmImpExpKds* const dm = rdmImpExpKds;
  TrdmRecebimento* const recebimento = rdmRecebimento;
  dm->adcImpExpKds.ClearInterrupt();
  recebimento->adcRecebimento.ClearInterrupt();
  ado::TADOConnection* const fiscal = &VyrFiscal::ConexaoFiscal();
  fiscal->ClearInterrupt();
  WorkerControl::Instance().SetInterrupter([dm, recebimento, fiscal] {
    dm->adcImpExpKds.Interrupt();
    recebimento->adcRecebimento.Interrupt();
    fiscal->Interrupt();
  });
  rdmRecebimento->adcRecebimento.SetConnected(true);
  return *rdmImpExpKds;
}

bool ReadParameters(TrdmImpExpKds& dm, const std::string& cdFilial, const std::string& cdCaixa,
                    const std::string& cdLoja, rtl::TDateTime dtAberturaCaixa) {
  OpenQuery(dm.adqParametros,
            {{"P_CDFILIAL", cdFilial}, {"P_CDCAIXA", cdCaixa}, {"P_CDLOJA", cdLoja}});
  dm.cdsParametros.SetData(dm.dspParametros.Data());
  dm.cdsParametros.First();
  dm.dtAberturaCaixa = dtAberturaCaixa;

  TClientDataSet& row = dm.cdsParametros;
  dm.boVyrNfce = IsOne(row, "BOVYRNFCE");
  dm.boVyrSat = IsOne(row, "BOVYRSAT");
  const bool boImpAutCupExp = Text(row, "IDIMPAUTCUPEXP") == "S";
  dm.idImpCnpjClie = Text(row, "IDIMPCNPJCLIE");
  dm.idAmbTrabNfce = Text(row, "IDAMBTRABNFCE");
  dm.cdEmpresa = Text(row, "CDEMPRESA");
  dm.idPaisIntegra = Text(row, "IDPAISINTEGRA");
  dm.idUtilSatComp = Text(row, "IDUTILSATCOMP");
  dm.nrSeqImprLoja6 = Text(row, "NRSEQIMPRLOJA6");
  dm.idTipoImpNf6 = Text(row, "IDTIPOIMPNF6");
  dm.cdPortaImpNf6 = Text(row, "CDPORTAIMPNF6");
  dm.idExtConsOnline = Text(row, "IDEXTCONSONLINE");
  dm.cdUrlWsExtCons = Text(row, "CDURLWSEXTCONS");
  dm.idExtConsCentral = Text(row, "IDEXTCONSCENTRAL");
  dm.idTipoEmissao = dm.boVyrNfce ? "N" : (dm.boVyrSat ? "S" : "E");
  return boImpAutCupExp;
}

void LoadLocalTables(TrdmImpExpKds& dm) {
  LoadFirstRecord(dm.cdsConfTipoReceRev, "ConfTipoRece.cds", [] {});
  LoadFirstRecord(dm.cdsDataMovimento, "DataMovimento.cds", [&dm] {
    const Variant value = CurrentValue(dm.cdsDataMovimento, "DATAMOVIMENTO");
    try {
      dm.dtMovimento = value.IsEmptyOrNull() ? 0 : value.AsDateTime();
    } catch (const rtl::Exception&) {
      RethrowNaming("DATAMOVIMENTO");
    }
  });
  LoadFirstRecord(dm.cdsValidaAbertura, "AberturaCaixa.cds", [&dm] {
    try {
      dm.cdAtivacaoSat = VyrUtil::Uncripto(Text(dm.cdsValidaAbertura, "CDATIVACAOSAT"),
                                           VyrUtil::kChaveAtivacaoSat);
    } catch (const rtl::EConvertError&) {
      RethrowNaming("CDATIVACAOSAT");
    }
  });
}

std::string XmlFolder(const std::string& cdFilial, const std::string& cdCaixa) {
  return VyrUtil::PastaXmlDoDia(cdFilial, cdCaixa, rtl::Date());
}

bool StartPrinterLibrary(const TrdmImpExpKds& dm) {
  if (VyrUtil::EmptyString(dm.idTipoImpNf6)) {
    LogImpExpKDS("Caixa sem impressora NF6 parametrizada..");
    return false;
  }
  int64_t model = 0;
  try {
    model = rtl::StrToInt64(dm.idTipoImpNf6);
  } catch (const rtl::EConvertError&) {
    RethrowNaming("IDTIPOIMPNF6");
  }
  switch (model) {
    case 10:
    case 22:
      LogImpExpKDS("Inicializando DLL: StartDarumaFrameWork");
      StartDarumaFrameWork();
      break;
    case 13:
    case 28:
      LogImpExpKDS("Inicializando DLL: StartMp2032");
      StartMp2032();
      break;
    case 16:
    case 19:
      LogImpExpKDS("Inicializando DLL: StartInterfaceEpsonNF");
      StartInterfaceEpsonNF(dm.cdPortaImpNf6);
      break;
    case 17:
      LogImpExpKDS("Inicializando DLL: StartSI300");
      StartSI300(0, 0);
      break;
    case 20:
      LogImpExpKDS("Inicializando DLL: StartKioskDll");
      StartKioskDll();
      break;
    default:
      break;
  }
  LogImpExpKDS("");
  return true;
}

}  // namespace Cli_Qam00417
