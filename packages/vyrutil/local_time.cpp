#include "vyrutil/local_time.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <vector>

#include "rtl/errors.h"

namespace VyrUtil {
namespace {

// `partes` as a local time whose daylight saving mktime decides (tm_isdst -1).
std::tm HoraLocal(const rtl::DateTimeParts& partes) {
  std::tm local{};
  local.tm_year = partes.year - 1900;
  local.tm_mon = partes.month - 1;
  local.tm_mday = partes.day;
  local.tm_hour = partes.hour;
  local.tm_min = partes.minute;
  local.tm_sec = partes.second;
  local.tm_isdst = -1;
  return local;
}

// The zone's offset in minutes at the local time `partes`. mktime decides daylight saving
// itself (tm_isdst -1); localtime_r then reports the offset in force.
long MinutosDoFuso(const rtl::DateTimeParts& partes) {
  std::tm local = HoraLocal(partes);
  const std::time_t instante = std::mktime(&local);
  std::tm resolvido{};
  localtime_r(&instante, &resolvido);
  return resolvido.tm_gmtoff / 60;
}

std::string Formata(const std::tm& t, long minutos) {
  char texto[96];
  std::snprintf(texto, sizeof texto, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", t.tm_year + 1900,
                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, minutos < 0 ? '-' : '+',
                std::labs(minutos) / 60, std::labs(minutos) % 60);
  return texto;
}

// A zone of the system's zone database (TZif, RFC 8536), read once: its transitions and the
// fixed offset that follows the last of them.
struct Fuso {
  std::vector<int64_t> transicoes;
  std::vector<int32_t> desvioDaTransicao;  // seconds east of UTC from each transition on
  int32_t desvioInicial = 0;
  int32_t desvioFinal = 0;
  bool regrasDeVerao = false;  // the footer has daylight-saving rules

  long MinutosEm(int64_t utc) const {
    if (transicoes.empty() || utc < transicoes.front()) return desvioInicial / 60;
    if (utc >= transicoes.back() && !regrasDeVerao) return desvioFinal / 60;
    size_t i = transicoes.size() - 1;
    while (i > 0 && transicoes[i] > utc) --i;
    return desvioDaTransicao[i] / 60;
  }
};

[[noreturn]] void FusoInvalido(const std::string& nome, const std::string& motivo) {
  throw rtl::EConvertError("time zone '" + nome + "' (FILIAL.DSFUSOHORARIO) " + motivo);
}

int64_t Inteiro(const std::string& dados, size_t pos, size_t bytes) {
  uint64_t valor = 0;
  for (size_t k = 0; k < bytes; ++k)
    valor = (valor << 8) | static_cast<unsigned char>(dados[pos + k]);
  if (bytes == 4) return static_cast<int32_t>(static_cast<uint32_t>(valor));
  return static_cast<int64_t>(valor);
}

// "<-03>3" or "BRT3": the offset that follows the last transition, in seconds east of UTC;
// `resto` gets what follows it (daylight-saving rules).
int32_t DesvioDoRodape(const std::string& tz, std::string& resto) {
  size_t i = 0;
  if (!tz.empty() && tz[0] == '<') {
    i = tz.find('>');
    i = i == std::string::npos ? tz.size() : i + 1;
  } else {
    while (i < tz.size() && std::isalpha(static_cast<unsigned char>(tz[i]))) ++i;
  }
  int sinal = 1;
  if (i < tz.size() && (tz[i] == '+' || tz[i] == '-')) sinal = tz[i++] == '-' ? -1 : 1;
  long segundos = 0;
  for (long fator : {3600L, 60L, 1L}) {
    long parte = 0;
    while (i < tz.size() && std::isdigit(static_cast<unsigned char>(tz[i]))) {
      parte = parte * 10 + (tz[i++] - '0');
    }
    segundos += parte * fator;
    if (i >= tz.size() || tz[i] != ':') break;
    ++i;
  }
  resto = tz.substr(i);
  return static_cast<int32_t>(-sinal * segundos);  // POSIX counts west of UTC
}

Fuso LeFuso(const std::string& nome) {
  if (nome.empty() || nome[0] == '/' || nome.find("..") != std::string::npos) {
    FusoInvalido(nome, "is not a zone name");
  }
  const std::string arquivo = "/usr/share/zoneinfo/" + nome;
  std::ifstream in(arquivo, std::ios::binary);
  const std::string d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (d.size() < 44 || d.compare(0, 4, "TZif") != 0) {
    FusoInvalido(nome, "is unknown: " + arquivo + " is not a zone file");
  }
  auto contagens = [&](size_t pos) {
    std::vector<size_t> c;
    for (int k = 0; k < 6; ++k) c.push_back(static_cast<size_t>(Inteiro(d, pos + 20 + 4 * k, 4)));
    return c;  // isut, isstd, leap, time, type, char
  };
  std::vector<size_t> c = contagens(0);
  size_t pos = 44;
  size_t tamTempo = 4;
  if (d[4] >= '2') {
    pos += c[3] * 5 + c[4] * 6 + c[5] + c[2] * 8 + c[1] + c[0];
    if (d.size() < pos + 44) FusoInvalido(nome, "is unknown: " + arquivo + " is cut short");
    c = contagens(pos);
    pos += 44;
    tamTempo = 8;
  }
  const size_t fimDados =
      pos + c[3] * (tamTempo + 1) + c[4] * 6 + c[5] + c[2] * (tamTempo + 4) + c[1] + c[0];
  if (d.size() < fimDados || c[4] == 0) {
    FusoInvalido(nome, "is unknown: " + arquivo + " is cut short");
  }
  Fuso f;
  const size_t tipos = pos + c[3] * (tamTempo + 1);
  auto desvio = [&](size_t tipo) {
    return static_cast<int32_t>(Inteiro(d, tipos + 6 * (tipo < c[4] ? tipo : 0), 4));
  };
  for (size_t k = 0; k < c[3]; ++k) {
    f.transicoes.push_back(Inteiro(d, pos + k * tamTempo, tamTempo));
    f.desvioDaTransicao.push_back(desvio(static_cast<unsigned char>(d[pos + c[3] * tamTempo + k])));
  }
  f.desvioInicial = desvio(0);
  f.desvioFinal = f.desvioDaTransicao.empty() ? f.desvioInicial : f.desvioDaTransicao.back();
  if (tamTempo == 8 && fimDados + 1 < d.size() && d[fimDados] == '\n') {
    const size_t fim = d.find('\n', fimDados + 1);
    const std::string rodape = d.substr(fimDados + 1, fim - fimDados - 1);
    std::string resto;
    if (!rodape.empty()) f.desvioFinal = DesvioDoRodape(rodape, resto);
    f.regrasDeVerao = !resto.empty();
  }
  return f;
}

const Fuso& FusoDe(const std::string& nome) {
  static std::mutex mutex;
  static std::map<std::string, Fuso> lidos;
  std::lock_guard<std::mutex> trava(mutex);
  auto achado = lidos.find(nome);
  if (achado == lidos.end()) achado = lidos.emplace(nome, LeFuso(nome)).first;
  return achado->second;
}

std::string NoFuso(int64_t utc, const std::string& fusoOuVazio) {
  const std::string nome = fusoOuVazio.empty() ? kFusoPadrao : fusoOuVazio;
  const Fuso& fuso = FusoDe(nome);
  if (fuso.regrasDeVerao && !fuso.transicoes.empty() && utc >= fuso.transicoes.back()) {
    FusoInvalido(nome, "has daylight-saving rules beyond its table, which are not supported");
  }
  const long minutos = fuso.MinutosEm(utc);
  const std::time_t local = static_cast<std::time_t>(utc + minutos * 60);
  std::tm t{};
  gmtime_r(&local, &t);
  return Formata(t, minutos);
}

}  // namespace

std::string DataHoraComFuso(rtl::TDateTime quando) {
  rtl::DateTimeParts partes = rtl::DecodeDateTime(quando);
  // Rounding to the millisecond may give 999; the second itself is what the document shows.
  partes.msec = 0;
  const long minutos = MinutosDoFuso(partes);
  std::tm t{};
  t.tm_year = partes.year - 1900;
  t.tm_mon = partes.month - 1;
  t.tm_mday = partes.day;
  t.tm_hour = partes.hour;
  t.tm_min = partes.minute;
  t.tm_sec = partes.second;
  return Formata(t, minutos);
}

std::string DataHoraComFuso(rtl::TDateTime quando, const std::string& fuso) {
  const rtl::DateTimeParts partes = rtl::DecodeDateTime(quando);
  std::tm local = HoraLocal(partes);
  return NoFuso(static_cast<int64_t>(std::mktime(&local)), fuso);
}

std::string DataHoraNoFuso(const std::string& dataHora, const std::string& fuso) {
  std::tm t{};
  char sinal = 'Z';
  int hh = 0, mm = 0;
  const int lidos =
      std::sscanf(dataHora.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%2d:%2d", &t.tm_year, &t.tm_mon,
                  &t.tm_mday, &t.tm_hour, &t.tm_min, &t.tm_sec, &sinal, &hh, &mm);
  if (lidos < 7 || (sinal != 'Z' && (lidos != 9 || (sinal != '+' && sinal != '-')))) {
    throw rtl::EConvertError("'" + dataHora + "' is not a date-time with its offset");
  }
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  const long desvio = sinal == 'Z' ? 0 : (sinal == '-' ? -1 : 1) * (hh * 3600L + mm * 60L);
  return NoFuso(static_cast<int64_t>(timegm(&t)) - desvio, fuso);
}

}  // namespace VyrUtil
